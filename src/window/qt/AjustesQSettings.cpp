#include "window/qt/AjustesQSettings.h"

#include <QSettings>
#include <QString>
#include <stdexcept>

namespace velqor::ventana {

namespace {

constexpr const char* kOrganizacion = "Velqor";

QString Ruta(const std::string& seccion, const std::string& clave) {
    return QString::fromStdString(seccion) + "/" + QString::fromStdString(clave);
}

}  // namespace

std::string AjustesQSettings::Lee(const std::string& aplicacion, const std::string& seccion,
                                  const std::string& clave, const std::string& porDefecto) const {
    const QSettings ajustes(kOrganizacion, QString::fromStdString(aplicacion));
    const QVariant valor = ajustes.value(Ruta(seccion, clave));
    return valor.isValid() ? valor.toString().toStdString() : porDefecto;
}

void AjustesQSettings::Guarda(const std::string& aplicacion, const std::string& seccion,
                              const std::string& clave, const std::string& valor) {
    QSettings ajustes(kOrganizacion, QString::fromStdString(aplicacion));
    ajustes.setValue(Ruta(seccion, clave), QString::fromStdString(valor));
    ajustes.sync();
    if (ajustes.status() != QSettings::NoError) {
        throw std::runtime_error("the settings could not be stored");
    }
}

}  // namespace velqor::ventana
