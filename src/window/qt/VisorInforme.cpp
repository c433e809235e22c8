#include "window/qt/VisorInforme.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "common/Archivo.h"
#include "common/General.h"
#include "common/Texto1252.h"

namespace velqor::ventana {

VisorInforme::VisorInforme(const std::string& ruta, QWidget* padre) : QDialog(padre) {
    setWindowTitle(QString::fromStdString(Mensaje("Report")));
    ruta_ = new QLabel(QString::fromStdString(ruta), this);
    ruta_->setObjectName("rutaInforme");
    ruta_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    texto_ = new QPlainTextEdit(this);
    texto_->setObjectName("textoInforme");
    texto_->setReadOnly(true);
    texto_->setLineWrapMode(QPlainTextEdit::NoWrap);
    texto_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    std::string bytes;
    if (LeeArchivo(ruta, bytes)) {
        QString contenido = QString::fromStdString(De1252AUtf8(bytes));
        contenido.replace("\r\n", "\n");
        texto_->setPlainText(contenido);
    } else {
        texto_->setPlainText(QString::fromStdString(
            Mensaje("The report |1 could not be read", {Valor::Texto(ruta)})));
    }

    auto* botones = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(botones, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* disposicion = new QVBoxLayout(this);
    disposicion->addWidget(ruta_);
    disposicion->addWidget(texto_, 1);
    disposicion->addWidget(botones);
    resize(640, 420);
}

QString VisorInforme::Ruta() const { return ruta_->text(); }

QString VisorInforme::Contenido() const { return texto_->toPlainText(); }

}  // namespace velqor::ventana
