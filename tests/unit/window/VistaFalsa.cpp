#include "VistaFalsa.h"

#include "window/frmReindexador.h"

namespace velqor::prueba {

using ventana::kDiseno;

VistaFalsa::VistaFalsa() {
    textos = {
        {Control::txtUsuario, "Admin"},
        {Control::lblBD, "Database"},
        {Control::lblUsuario, "User"},
        {Control::lblClave, "Password"},
        {Control::cmdLanzarAhora, "#Lanzar ahora"},
        {Control::cmdGuardarConfig, "#Guardar configuraci\u00f3n"},
        {Control::lblEstadistica, "Statistics folder"},
        {Control::cmdBrowse, "<= Browse"},
        {Control::lblServerPath, "Backup folder (local path inside SQL Server)"},
        {Control::opcOffLine, "#Offline"},
        {Control::opcOnLine, "#Online"},
        {Control::lblInfo, "#Info"},
    };
    for (const auto& d : kDiseno) {
        textos.try_emplace(d.control, "");
        habilitados[d.control] = true;
        visibles[d.control] = true;
    }
}

std::string VistaFalsa::Texto(Control c) const {
    if (c == Control::cmbBases) return seleccion < 0 ? std::string{} : bases.at(seleccion);
    return textos.at(c);
}

void VistaFalsa::FijaTexto(Control c, const std::string& texto) {
    textos[c] = texto;
    if (form == nullptr) return;
    if (c == Control::txtUsuario) form->txtUsuario_Change();
    if (c == Control::txtClave) form->txtClave_Change();
    if (c == Control::txtServerPath) form->txtServerPath_Change();
}

bool VistaFalsa::SeleccionaBase(const std::string& texto) {
    for (std::size_t i = 0; i < bases.size(); ++i) {
        if (bases[i] == texto) {
            Elige(i);
            return true;
        }
    }
    return false;
}

void VistaFalsa::Elige(std::size_t i) {
    seleccion = static_cast<int>(i);
    if (form) form->cmbBases_Click();
}

void VistaFalsa::FijaEstado(const std::string& texto) {
    textos[Control::sbEstado] = texto;
    estados.push_back(texto);
}

void VistaFalsa::FijaAvance(const ventana::BarraAvance& b) {
    barra = b;
    barras.push_back(b);
}

void VistaFalsa::ProcesaEventos() {
    ++eventosProcesados;
    if (alProcesar) alProcesar(textos[Control::sbEstado]);
}

ventana::Rectangulo VistaFalsa::Lugar(Control c) const {
    if (c == Control::picTab) return panel;
    return ventana::Diseno(c).lugar;
}

bool VistaFalsa::SeleccionaCarpeta(const std::string& titulo, std::string& carpeta, bool,
                                   const std::string& aplicacion, const std::string& seccion,
                                   const std::string& clave) {
    dialogos.push_back(titulo + "||" + aplicacion + "|" + seccion + "|" + clave + "|" + carpeta);
    if (!carpetaElegida) return false;
    carpeta = *carpetaElegida;
    return true;
}

bool VistaFalsa::DialogoGuardar(const std::string& titulo, std::string& ruta,
                                const std::string& filtro, const std::string& aplicacion,
                                const std::string& seccion, const std::string& clave) {
    dialogos.push_back(titulo + "|" + filtro + "|" + aplicacion + "|" + seccion + "|" + clave +
                       "|");
    if (!archivoElegido) return false;
    ruta = *archivoElegido;
    return true;
}

void VistaFalsa::Cierra() {
    if (cerrada) return;
    bool cancelar = false;
    if (form) form->Form_QueryUnload(cancelar);
    if (cancelar) {
        ++cierresRechazados;
        return;
    }
    if (form) form->Form_Unload();
    cerrada = true;
}

}  // namespace velqor::prueba
