#pragma once
// VisorInforme: a pass's report shown by the window itself when the desktop has no viewer for it:
// the file's path above its text, read only, in a window of its own that the operator closes.

#include <QDialog>
#include <string>

class QLabel;
class QPlainTextEdit;

namespace velqor::ventana {

class VisorInforme final : public QDialog {
  public:
    // Reads the report at ruta (Windows-1252 text); a file that cannot be read shows why instead.
    VisorInforme(const std::string& ruta, QWidget* padre);

    QString Ruta() const;
    QString Contenido() const;

  private:
    QLabel* ruta_ = nullptr;
    QPlainTextEdit* texto_ = nullptr;
};

}  // namespace velqor::ventana
