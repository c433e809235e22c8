#include "engine/SeparadorServidor.h"

#include "common/ErrorEjecucion.h"

namespace velqor {

char SeparadorServidor(db::Connection& conn, const std::string& carpeta) {
    if (carpeta.starts_with('/')) return '/';
    try {
        const auto rs = conn.Execute("SELECT host_platform FROM sys.dm_os_host_info", 1);
        if (!rs || rs->EOF()) return '\\';
        const Valor plataforma = rs->Field("host_platform");
        return plataforma.tipo() == Valor::Tipo::String && plataforma.ComoTexto() == "Linux" ? '/'
                                                                                             : '\\';
    } catch (const ErrorEjecucion& e) {
        // A server before 2017 has no such view: it runs on Windows.
        if (e.Numero() == errores::kErrorProveedor) return '\\';
        throw;
    }
}

}  // namespace velqor
