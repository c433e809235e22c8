#include "window/qt/VentanaReindexador.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <exception>

#include "window/frmReindexador.h"
#include "window/qt/BotonMultilinea.h"
#include "window/qt/VisorInforme.h"

namespace velqor::ventana {

namespace {

QString Q(const std::string& texto) { return QString::fromStdString(texto); }

// "description|pattern|description|pattern" as Qt's "description (pattern);;..."; the first
// pattern's extension (".ZEVcos" from "*.ZEVcos") is what a name typed without one receives.
QString FiltroQt(const std::string& filtro, QString& extension) {
    const QStringList partes = Q(filtro).split('|');
    QStringList filtros;
    for (qsizetype i = 0; i + 1 < partes.size(); i += 2) {
        filtros << partes[i] + " (" + partes[i + 1] + ")";
        if (extension.isEmpty() && partes[i + 1].startsWith("*.")) extension = partes[i + 1].mid(1);
    }
    return filtros.join(";;");
}

}  // namespace

VentanaReindexador::VentanaReindexador(AlmacenAjustes& ajustes) : ajustes_(ajustes) {
    QFont letra = font();
    letra.setPixelSize(std::max(1, static_cast<int>(std::lround(11.0f * Escala()))));
    setFont(letra);

    auto* panel = new QFrame(this);
    panel->setObjectName("picTab");
    auto contenedor = [&](Control c) -> QWidget* {
        return Diseno(c).enPanel ? static_cast<QWidget*>(panel) : this;
    };

    cmbBases_ = new QComboBox(contenedor(Control::cmbBases));
    auto* txtUsuario = new QLineEdit("Admin", contenedor(Control::txtUsuario));
    auto* txtClave = new QLineEdit(contenedor(Control::txtClave));
    txtClave->setEchoMode(QLineEdit::Password);
    txtClave->setStyleSheet("lineedit-password-character: 42");
    sbEstado_ = new QStatusBar(this);
    sbEstado_->setSizeGripEnabled(false);
    textoEstado_ = new QLabel(sbEstado_);
    sbEstado_->addWidget(textoEstado_, 1);
    // The progress of a running pass, at the right: hidden while the window is idle.
    barra_ = new QProgressBar(sbEstado_);
    barra_->setObjectName("barraProgreso");
    barra_->setTextVisible(true);
    barra_->setAlignment(Qt::AlignCenter);
    barra_->setFixedWidth(APixeles(2400.0f));
    // The bar fits in the status bar's own height, which the layout of the window keeps.
    barra_->setMaximumHeight(std::max(1, APixeles(Diseno(Control::sbEstado).lugar.height) - 4));
    transcurrido_ = new QLabel(sbEstado_);
    transcurrido_->setObjectName("transcurrido");
    sbEstado_->addPermanentWidget(barra_);
    sbEstado_->addPermanentWidget(transcurrido_);
    barra_->hide();
    transcurrido_->hide();
    auto* lblInfo = new QLabel("#Info", contenedor(Control::lblInfo));
    lblInfo->setWordWrap(true);
    lblInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* opcOffLine = new QRadioButton("#Offline", contenedor(Control::opcOffLine));
    auto* opcOnLine = new QRadioButton("#Online", contenedor(Control::opcOnLine));
    auto* grupo = new QButtonGroup(panel);
    grupo->addButton(opcOffLine);
    grupo->addButton(opcOnLine);
    opcOffLine->setChecked(true);

    controles_ = {
        cmbBases_,
        txtUsuario,
        txtClave,
        new QLabel("Database", contenedor(Control::lblBD)),
        new QLabel("User", contenedor(Control::lblUsuario)),
        new QLabel("Password", contenedor(Control::lblClave)),
        sbEstado_,
        panel,
        new BotonMultilinea("#Lanzar ahora", contenedor(Control::cmdLanzarAhora)),
        new BotonMultilinea("#Guardar configuraci\u00f3n", contenedor(Control::cmdGuardarConfig)),
        new QLabel("Statistics folder", contenedor(Control::lblEstadistica)),
        new QLineEdit(contenedor(Control::txtEstadistica)),
        new QPushButton("<= Browse", contenedor(Control::cmdBrowse)),
        new QLineEdit(contenedor(Control::txtServerPath)),
        new QLabel("Backup folder (local path inside SQL Server)",
                   contenedor(Control::lblServerPath)),
        opcOffLine,
        opcOnLine,
        lblInfo,
    };

    QWidget* anterior = nullptr;
    for (const ControlDiseno& diseno : kDiseno) {
        QWidget* w = Widget(diseno.control);
        w->setGeometry(APixeles(diseno.lugar));
        if (auto* etiqueta = qobject_cast<QLabel*>(w)) AjustaAncho(*etiqueta);
        if (w->focusPolicy() != Qt::NoFocus) {
            if (anterior) setTabOrder(anterior, w);
            anterior = w;
        }
    }
    resize(APixeles(kClienteDiseno.width), APixeles(kClienteDiseno.height));
}

void VentanaReindexador::Conecta(frmReindexador& form) {
    form_ = &form;
    auto boton = [this](Control c) { return static_cast<QAbstractButton*>(Widget(c)); };
    auto campo = [this](Control c) { return static_cast<QLineEdit*>(Widget(c)); };
    connect(cmbBases_, &QComboBox::activated, this, [&form] { form.cmbBases_Click(); });
    connect(boton(Control::cmdLanzarAhora), &QAbstractButton::clicked, this,
            [&form] { form.cmdLanzarAhora_Click(); });
    connect(boton(Control::cmdGuardarConfig), &QAbstractButton::clicked, this,
            [&form] { form.cmdGuardarConfig_Click(); });
    connect(boton(Control::cmdBrowse), &QAbstractButton::clicked, this,
            [&form] { form.cmdBrowse_Click(); });
    connect(campo(Control::txtUsuario), &QLineEdit::textChanged, this,
            [&form] { form.txtUsuario_Change(); });
    connect(campo(Control::txtClave), &QLineEdit::textChanged, this,
            [&form] { form.txtClave_Change(); });
    connect(campo(Control::txtServerPath), &QLineEdit::textChanged, this,
            [&form] { form.txtServerPath_Change(); });
}

// ---- Captions, texts and states ----

void VentanaReindexador::FijaTitulo(const std::string& titulo) { setWindowTitle(Q(titulo)); }

std::string VentanaReindexador::Texto(Control c) const {
    if (c == Control::sbEstado) return textoEstado_->text().toStdString();
    if (c == Control::cmbBases)
        return cmbBases_->currentIndex() < 0 ? std::string{}
                                             : cmbBases_->currentText().toStdString();
    const QWidget* w = Widget(c);
    if (const auto* campo = qobject_cast<const QLineEdit*>(w)) return campo->text().toStdString();
    if (const auto* multilinea = dynamic_cast<const BotonMultilinea*>(w))
        return multilinea->Caption().toStdString();
    if (const auto* boton = qobject_cast<const QAbstractButton*>(w))
        return boton->text().toStdString();
    if (const auto* etiqueta = qobject_cast<const QLabel*>(w))
        return etiqueta->text().toStdString();
    return {};
}

void VentanaReindexador::FijaTexto(Control c, const std::string& texto) {
    if (c == Control::sbEstado) return FijaEstado(texto);
    QWidget* w = Widget(c);
    if (auto* campo = qobject_cast<QLineEdit*>(w)) {
        campo->setText(Q(texto));
    } else if (auto* multilinea = dynamic_cast<BotonMultilinea*>(w)) {
        multilinea->FijaCaption(Q(texto));
    } else if (auto* boton = qobject_cast<QAbstractButton*>(w)) {
        boton->setText(Q(texto));
    } else if (auto* etiqueta = qobject_cast<QLabel*>(w)) {
        etiqueta->setText(Q(texto));
        AjustaAncho(*etiqueta);
    }
}

bool VentanaReindexador::Habilitado(Control c) const { return Widget(c)->isEnabled(); }

void VentanaReindexador::FijaHabilitado(Control c, bool habilitado) {
    Widget(c)->setEnabled(habilitado);
}

bool VentanaReindexador::Visible(Control c) const { return !Widget(c)->isHidden(); }

void VentanaReindexador::FijaVisible(Control c, bool visible) { Widget(c)->setVisible(visible); }

bool VentanaReindexador::Seleccionado(Control opcion) const {
    return static_cast<const QAbstractButton*>(Widget(opcion))->isChecked();
}

void VentanaReindexador::Selecciona(Control opcion) {
    static_cast<QAbstractButton*>(Widget(opcion))->setChecked(true);
}

void VentanaReindexador::AgregaBase(const std::string& entrada) {
    cmbBases_->addItem(Q(entrada));
    cmbBases_->setCurrentIndex(-1);
}

bool VentanaReindexador::SeleccionaBase(const std::string& texto) {
    const int indice = cmbBases_->findText(Q(texto), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (indice < 0) return false;
    cmbBases_->setCurrentIndex(indice);
    if (form_) form_->cmbBases_Click();
    return true;
}

void VentanaReindexador::FijaEstado(const std::string& texto) { textoEstado_->setText(Q(texto)); }

void VentanaReindexador::FijaAvance(const BarraAvance& barra) {
    if (!barra.visible) {
        barra_->hide();
        transcurrido_->hide();
        return;
    }
    // A step without a count shows its name over an empty bar.
    barra_->setRange(0, std::max(1, barra.total));
    barra_->setValue(std::clamp(barra.hechos, 0, std::max(1, barra.total)));
    barra_->setFormat(Q(barra.texto).replace('%', "%%"));
    transcurrido_->setText(Q(barra.transcurrido));
    barra_->show();
    transcurrido_->show();
}

void VentanaReindexador::ProcesaEventos() { QCoreApplication::processEvents(); }

// ---- Places and sizes ----

void VentanaReindexador::AjustaAncho(QLabel& etiqueta) {
    if (etiqueta.wordWrap()) return;
    etiqueta.resize(std::max(etiqueta.width(), etiqueta.sizeHint().width()), etiqueta.height());
}

float VentanaReindexador::Escala() const { return static_cast<float>(logicalDpiX()) / 96.0f; }

int VentanaReindexador::APixeles(float twips) const {
    return static_cast<int>(std::lround(twips / kTwipsPorPixel * Escala()));
}

float VentanaReindexador::ATwips(int pixeles) const {
    return static_cast<float>(pixeles) * kTwipsPorPixel / Escala();
}

QRect VentanaReindexador::APixeles(const Rectangulo& lugar) const {
    return {APixeles(lugar.left), APixeles(lugar.top), APixeles(lugar.width),
            APixeles(lugar.height)};
}

Tamano VentanaReindexador::TamanoCliente() const { return {ATwips(width()), ATwips(height())}; }

Rectangulo VentanaReindexador::Lugar(Control c) const {
    const QRect r = Widget(c)->geometry();
    return {ATwips(r.x()), ATwips(r.y()), ATwips(r.width()), ATwips(r.height())};
}

void VentanaReindexador::MuevePanel(const Rectangulo& lugar) {
    Widget(Control::picTab)->setGeometry(APixeles(lugar));
}

void VentanaReindexador::AcomodaBarraEstado() {
    const int alto = APixeles(Diseno(Control::sbEstado).lugar.height);
    sbEstado_->setGeometry(0, height() - alto, width(), alto);
}

void VentanaReindexador::resizeEvent(QResizeEvent* evento) {
    QWidget::resizeEvent(evento);
    AcomodaBarraEstado();
    if (form_) form_->Form_Resize();
}

// ---- Dialogs ----

bool VentanaReindexador::SeleccionaCarpeta(const std::string& titulo, std::string& carpeta, bool,
                                           const std::string& aplicacion,
                                           const std::string& seccion, const std::string& clave) {
    QString inicio = Q(carpeta);
    if (inicio.isEmpty() || !QDir(inicio).exists()) {
        try {
            inicio = Q(ajustes_.Lee(aplicacion, seccion, clave, ""));
        } catch (const std::exception&) {
        }
    }
    const QString elegida = QFileDialog::getExistingDirectory(this, Q(titulo), inicio);
    if (elegida.isEmpty()) return false;
    carpeta = QDir::toNativeSeparators(elegida).toStdString();
    try {
        ajustes_.Guarda(aplicacion, seccion, clave, carpeta);
    } catch (const std::exception&) {
    }
    return true;
}

bool VentanaReindexador::DialogoGuardar(const std::string& titulo, std::string& ruta,
                                        const std::string& filtro, const std::string& aplicacion,
                                        const std::string& seccion, const std::string& clave) {
    QString inicio;
    try {
        inicio = Q(ajustes_.Lee(aplicacion, seccion, clave, ""));
    } catch (const std::exception&) {
    }
    QString extension;
    const QString filtros = FiltroQt(filtro, extension);
    QString elegida = QFileDialog::getSaveFileName(this, Q(titulo), inicio, filtros);
    if (elegida.isEmpty()) return false;
    if (QFileInfo(elegida).suffix().isEmpty() && !extension.isEmpty()) elegida += extension;
    ruta = elegida.toStdString();
    try {
        ajustes_.Guarda(aplicacion, seccion, clave,
                        QFileInfo(elegida).absolutePath().toStdString());
    } catch (const std::exception&) {
    }
    return true;
}

void VentanaReindexador::AbreArchivo(const std::string& ruta) {
    const bool abierto =
        abridor_ ? abridor_(ruta) : QDesktopServices::openUrl(QUrl::fromLocalFile(Q(ruta)));
    if (abierto) return;
    // A desktop without a viewer for text files shows nothing: the window shows the report.
    auto* visor = new VisorInforme(ruta, this);
    visor->setAttribute(Qt::WA_DeleteOnClose);
    visor->show();
}

// ---- Closing ----

void VentanaReindexador::Cierra() { close(); }

void VentanaReindexador::closeEvent(QCloseEvent* evento) {
    if (!cerrada_ && form_) {
        bool cancelar = false;
        form_->Form_QueryUnload(cancelar);
        if (cancelar) {
            evento->ignore();
            return;
        }
        form_->Form_Unload();
    }
    cerrada_ = true;
    evento->accept();
}

}  // namespace velqor::ventana
