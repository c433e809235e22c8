// The statistics update: sp_updatestats over the whole database.

#include <exception>

#include "common/General.h"
#include "engine/ErrorAtrapado.h"
#include "engine/Velqor.h"

namespace velqor {

bool Velqor::UpdateStatistics(db::Connection& conn, bool& cancelar, std::string& informe) {
    if (!creado_) return false;
    try {
        Progreso(Mensaje("Updating statistics..."), cancelar);
        if (cancelar) return false;
        const Momento inicio = reloj_.Ahora();
        conn.Execute("sp_updatestats", -1);
        AgregaLinea(informe, Mensaje("Update Statistics |1",
                                     {Valor::Texto(Duracion(inicio, true, reloj_.Ahora()))}));
        return true;
    } catch (const std::exception& e) {
        const ErrorAtrapado error = ErrorAtrapado::De(e);
        Progreso(
            Mensaje("Error |1: |2", {Valor::Largo(error.numero), Valor::Texto(error.descripcion)}),
            cancelar);
        AgregaLinea(informe, error.descripcion);
        RegistraFallo(error.numero, error.descripcion, error.DelProveedor() ? &conn : nullptr, "",
                      Mensaje("Update Statistics"));
        return false;
    }
}

}  // namespace velqor
