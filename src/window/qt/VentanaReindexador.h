#pragma once
// VentanaReindexador: the Qt Widgets view of the main window. It lays the controls out at their
// design places (twips scaled to the screen's dots per inch), docks the status bar with its
// progress bar, delivers the controls' events to frmReindexador, offers the folder and save
// dialogs and opens reports (showing one itself when the desktop has no viewer for it).

#include <QWidget>
#include <array>
#include <functional>
#include <string>
#include <utility>

#include "window/AlmacenAjustes.h"
#include "window/VistaReindexador.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QStatusBar;

namespace velqor::ventana {

class frmReindexador;

class VentanaReindexador final : public QWidget, public VistaReindexador {
  public:
    // ajustes is where the dialogs remember their last folder; it must outlive the window.
    explicit VentanaReindexador(AlmacenAjustes& ajustes);

    // Routes the controls' events to form from now on (before Form_Load).
    void Conecta(frmReindexador& form);
    // Replaces how a report is opened for the operator (the desktop's viewer by default); the
    // abridor answers false when nothing could show the file, and the window then shows it itself.
    void FijaAbridor(std::function<bool(const std::string& ruta)> abridor) {
        abridor_ = std::move(abridor);
    }
    // True once a close request has been accepted.
    bool Cerrada() const { return cerrada_; }
    // The widget of a named control (for tests and the screenshot).
    QWidget* Widget(Control c) const { return controles_[static_cast<std::size_t>(c)]; }
    // The progress bar and its elapsed time at the right of the status bar.
    QProgressBar* BarraProgreso() const { return barra_; }
    QLabel* Transcurrido() const { return transcurrido_; }

    void FijaTitulo(const std::string& titulo) override;
    std::string Texto(Control c) const override;
    void FijaTexto(Control c, const std::string& texto) override;
    bool Habilitado(Control c) const override;
    void FijaHabilitado(Control c, bool habilitado) override;
    bool Visible(Control c) const override;
    void FijaVisible(Control c, bool visible) override;
    bool Seleccionado(Control opcion) const override;
    void Selecciona(Control opcion) override;
    void AgregaBase(const std::string& entrada) override;
    bool SeleccionaBase(const std::string& texto) override;
    void FijaEstado(const std::string& texto) override;
    void FijaAvance(const BarraAvance& barra) override;
    void ProcesaEventos() override;
    Tamano TamanoCliente() const override;
    Rectangulo Lugar(Control c) const override;
    void MuevePanel(const Rectangulo& lugar) override;
    bool SeleccionaCarpeta(const std::string& titulo, std::string& carpeta, bool flag,
                           const std::string& aplicacion, const std::string& seccion,
                           const std::string& clave) override;
    bool DialogoGuardar(const std::string& titulo, std::string& ruta, const std::string& filtro,
                        const std::string& aplicacion, const std::string& seccion,
                        const std::string& clave) override;
    void AbreArchivo(const std::string& ruta) override;
    void Cierra() override;

  protected:
    void resizeEvent(QResizeEvent* evento) override;
    void closeEvent(QCloseEvent* evento) override;

  private:
    float Escala() const;
    int APixeles(float twips) const;
    float ATwips(int pixeles) const;
    QRect APixeles(const Rectangulo& lugar) const;
    void AcomodaBarraEstado();
    // A one-line label grows to show its whole caption; its place and height stay.
    static void AjustaAncho(QLabel& etiqueta);

    AlmacenAjustes& ajustes_;
    frmReindexador* form_ = nullptr;
    std::function<bool(const std::string&)> abridor_;
    bool cerrada_ = false;
    std::array<QWidget*, kDiseno.size()> controles_{};
    QComboBox* cmbBases_ = nullptr;
    QStatusBar* sbEstado_ = nullptr;
    QLabel* textoEstado_ = nullptr;
    QProgressBar* barra_ = nullptr;
    QLabel* transcurrido_ = nullptr;
};

}  // namespace velqor::ventana
