#include "window/VistaSinPantalla.h"

#include "window/frmReindexador.h"

namespace velqor::ventana {

VistaSinPantalla::VistaSinPantalla() {
    // As the window starts: every control enabled and shown, the user field holding "Admin".
    habilitados_.fill(true);
    visibles_.fill(true);
    textos_[Indice(Control::txtUsuario)] = "Admin";
}

std::string VistaSinPantalla::Texto(Control c) const {
    if (c == Control::cmbBases) {
        return seleccion_ < 0 ? std::string{} : bases_[static_cast<std::size_t>(seleccion_)];
    }
    return textos_[Indice(c)];
}

void VistaSinPantalla::FijaTexto(Control c, const std::string& texto) {
    textos_[Indice(c)] = texto;
    if (form_ == nullptr) return;
    if (c == Control::txtUsuario) form_->txtUsuario_Change();
    if (c == Control::txtClave) form_->txtClave_Change();
    if (c == Control::txtServerPath) form_->txtServerPath_Change();
}

bool VistaSinPantalla::SeleccionaBase(const std::string& texto) {
    for (std::size_t i = 0; i < bases_.size(); ++i) {
        if (bases_[i] != texto) continue;
        seleccion_ = static_cast<int>(i);
        if (form_) form_->cmbBases_Click();
        return true;
    }
    return false;
}

void VistaSinPantalla::Cierra() {
    if (cerrada_) return;
    if (form_) {
        bool cancelar = false;
        form_->Form_QueryUnload(cancelar);
        if (cancelar) return;
        form_->Form_Unload();
    }
    cerrada_ = true;
}

}  // namespace velqor::ventana
