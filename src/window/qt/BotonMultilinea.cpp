#include "window/qt/BotonMultilinea.h"

#include <QLabel>

namespace velqor::ventana {

BotonMultilinea::BotonMultilinea(const QString& caption, QWidget* padre)
    : QPushButton(padre), etiqueta_(new QLabel(this)) {
    etiqueta_->setWordWrap(true);
    etiqueta_->setAlignment(Qt::AlignCenter);
    etiqueta_->setAttribute(Qt::WA_TransparentForMouseEvents);
    FijaCaption(caption);
}

QString BotonMultilinea::Caption() const { return etiqueta_->text(); }

void BotonMultilinea::FijaCaption(const QString& caption) {
    etiqueta_->setText(caption);
    setAccessibleName(caption);
}

void BotonMultilinea::resizeEvent(QResizeEvent* evento) {
    QPushButton::resizeEvent(evento);
    etiqueta_->setGeometry(rect().adjusted(4, 2, -4, -2));
}

}  // namespace velqor::ventana
