#pragma once
// The controls of the main window and their design places, in twips (15 twips per pixel at 96 dpi),
// relative to the client area or, for the controls inside the panel, to the panel picTab.

#include <array>
#include <cstddef>

namespace velqor::ventana {

// The named controls of frmReindexador, in tab order.
enum class Control {
    cmbBases,
    txtUsuario,
    txtClave,
    lblBD,
    lblUsuario,
    lblClave,
    sbEstado,
    picTab,
    cmdLanzarAhora,
    cmdGuardarConfig,
    lblEstadistica,
    txtEstadistica,
    cmdBrowse,
    txtServerPath,
    lblServerPath,
    opcOffLine,
    opcOnLine,
    lblInfo,
};

// A place in twips: single-precision, as the window's arithmetic is.
struct Rectangulo {
    float left = 0, top = 0, width = 0, height = 0;
    friend bool operator==(const Rectangulo&, const Rectangulo&) = default;
};

struct Tamano {
    float width = 0, height = 0;
};

// One control of the design: where it lies and whether it lies inside picTab.
struct ControlDiseno {
    Control control;
    bool enPanel;
    Rectangulo lugar;
};

// Every control in tab order, with its design place.
inline constexpr std::array<ControlDiseno, 18> kDiseno{{
    {Control::cmbBases, false, {120, 360, 7455, 315}},
    {Control::txtUsuario, false, {7680, 360, 1695, 285}},
    {Control::txtClave, false, {9480, 360, 1695, 285}},
    {Control::lblBD, false, {120, 120, 690, 195}},
    {Control::lblUsuario, false, {7680, 120, 330, 195}},
    {Control::lblClave, false, {9480, 120, 690, 195}},
    {Control::sbEstado, false, {0, 4800, 11265, 315}},
    {Control::picTab, false, {120, 1200, 11415, 3495}},
    {Control::cmdLanzarAhora, true, {120, 2520, 1935, 735}},
    {Control::cmdGuardarConfig, true, {2280, 2520, 3015, 735}},
    {Control::lblEstadistica, false, {120, 720, 1065, 195}},
    {Control::txtEstadistica, false, {120, 960, 8415, 285}},
    {Control::cmdBrowse, false, {9000, 960, 1215, 285}},
    {Control::txtServerPath, true, {120, 1200, 7215, 285}},
    {Control::lblServerPath, true, {120, 960, 3135, 195}},
    {Control::opcOffLine, true, {120, 1560, 4575, 495}},
    {Control::opcOnLine, true, {120, 2040, 8655, 375}},
    {Control::lblInfo, true, {120, 120, 9615, 1455}},
}};

// The design size of the client area.
inline constexpr Tamano kClienteDiseno{11265, 5115};

// Twips per pixel at 96 dots per inch.
inline constexpr float kTwipsPorPixel = 15.0f;

constexpr bool DisenoEnOrden() {
    for (std::size_t i = 0; i < kDiseno.size(); ++i) {
        if (static_cast<std::size_t>(kDiseno[i].control) != i) return false;
    }
    return true;
}
static_assert(DisenoEnOrden(), "kDiseno lists the controls in the order of Control");

// The design entry of a control.
constexpr const ControlDiseno& Diseno(Control c) { return kDiseno[static_cast<std::size_t>(c)]; }

}  // namespace velqor::ventana
