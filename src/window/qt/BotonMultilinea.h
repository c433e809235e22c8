#pragma once
// BotonMultilinea: a push button whose caption wraps onto several lines when it is wider than the
// button, as the window's tall launch buttons need.

#include <QPushButton>

class QLabel;

namespace velqor::ventana {

class BotonMultilinea final : public QPushButton {
  public:
    BotonMultilinea(const QString& caption, QWidget* padre);

    // The caption (also the button's accessible name).
    QString Caption() const;
    void FijaCaption(const QString& caption);

  protected:
    void resizeEvent(QResizeEvent* evento) override;

  private:
    QLabel* etiqueta_;
};

}  // namespace velqor::ventana
