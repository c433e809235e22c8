#pragma once
// VistaSinPantalla: the main window for a run nobody sees. It keeps the controls' texts and states
// in memory and raises the form's events as a toolkit would, so frmReindexador runs an unattended
// pass without any window toolkit in the process. Dialogs answer as if cancelled; nothing is shown.

#include <array>
#include <string>
#include <vector>

#include "window/VistaReindexador.h"

namespace velqor::ventana {

class frmReindexador;

class VistaSinPantalla final : public VistaReindexador {
  public:
    VistaSinPantalla();

    // Routes the controls' events to form from now on (before Form_Load).
    void Conecta(frmReindexador& form) { form_ = &form; }
    // True once a close request has been accepted.
    bool Cerrada() const { return cerrada_; }

    void FijaTitulo(const std::string&) override {}
    std::string Texto(Control c) const override;
    void FijaTexto(Control c, const std::string& texto) override;
    bool Habilitado(Control c) const override { return habilitados_[Indice(c)]; }
    void FijaHabilitado(Control c, bool habilitado) override {
        habilitados_[Indice(c)] = habilitado;
    }
    bool Visible(Control c) const override { return visibles_[Indice(c)]; }
    void FijaVisible(Control c, bool visible) override { visibles_[Indice(c)] = visible; }
    bool Seleccionado(Control opcion) const override { return opcion == opcion_; }
    void Selecciona(Control opcion) override { opcion_ = opcion; }
    void AgregaBase(const std::string& entrada) override { bases_.push_back(entrada); }
    bool SeleccionaBase(const std::string& texto) override;
    void FijaEstado(const std::string& texto) override {
        textos_[Indice(Control::sbEstado)] = texto;
    }
    void FijaAvance(const BarraAvance&) override {}
    void ProcesaEventos() override {}
    Tamano TamanoCliente() const override { return kClienteDiseno; }
    Rectangulo Lugar(Control c) const override { return Diseno(c).lugar; }
    void MuevePanel(const Rectangulo&) override {}
    bool SeleccionaCarpeta(const std::string&, std::string&, bool, const std::string&,
                           const std::string&, const std::string&) override {
        return false;
    }
    bool DialogoGuardar(const std::string&, std::string&, const std::string&, const std::string&,
                        const std::string&, const std::string&) override {
        return false;
    }
    void AbreArchivo(const std::string&) override {}
    void Cierra() override;

  private:
    static std::size_t Indice(Control c) { return static_cast<std::size_t>(c); }

    frmReindexador* form_ = nullptr;
    std::array<std::string, kDiseno.size()> textos_{};
    std::array<bool, kDiseno.size()> habilitados_{};
    std::array<bool, kDiseno.size()> visibles_{};
    Control opcion_ = Control::opcOffLine;
    std::vector<std::string> bases_;
    int seleccion_ = -1;
    bool cerrada_ = false;
};

}  // namespace velqor::ventana
