#include "MotorPrueba.h"

#include <fstream>

#include "common/General.h"

namespace velqor::prueba {

MotorPrueba::MotorPrueba()
    : reloj(HacerMomento(2026, 12, 4, 16, 35, 41)),
      guion(&reloj),
      carpetaInforme(carpeta.Texto()) {
    InstalaCuadroMensaje(
        [this](const std::string& texto, const std::string&) { cuadros.push_back(texto); });
    FijaDesatendido(false);
    FijaArchivoLog(carpeta.En("velqor_20261204163541.log"));
    FijaInicioProceso(reloj.Ahora());

    guion.Cuando("SELECT * FROM UsuariosPW",
                 Respuesta::Filas({"Usuario_ID"}, {{Valor::Texto("ana")}}));
    guion.Cuando("SELECT Usuario_cd FROM UsuariosPW",
                 Respuesta::Filas({"Usuario_cd"}, {{Valor::Largo(1)}}));
    guion.Cuando("DBCC SHOWCONTIG () ",
                 Encuesta({{Valor::Texto("Clientes"), Valor::Texto("PK_Clientes"), Valor::Largo(1),
                            Valor::Doble(62.5)}}));
    guion.Cuando("DBCC SHOWCONTIG ('", Respuesta::Filas({"ScanDensity"}, {{Valor::Doble(100)}}));
    // Every table of the survey's answer has object id 1, in dbo.
    guion.Cuando(
        "SELECT object_id, name, SCHEMA_NAME(schema_id)",
        Respuesta::Filas({"object_id", "name", "schema_name"},
                         {{Valor::Largo(1), Valor::Texto("Clientes"), Valor::Texto("dbo")}}));
    guion.Cuando("SELECT name FROM sys.database_files",
                 Respuesta::Filas({"name"}, {{Valor::Texto("Ventas_log")}}));
    guion.Cuando("BACKUP LOG [Ventas] WITH TRUNCATE_ONLY",
                 Respuesta::Rechazo({{155, "'TRUNCATE_ONLY' is not a recognized BACKUP option."}}));
}

MotorPrueba::~MotorPrueba() {
    motor.reset();
    InstalaCuadroMensaje({});
    FijaDesatendido(false);
}

void MotorPrueba::EscribeCfp(const std::string& nombre, const std::string& servidor,
                             const std::string& base, int tipo, const std::string& nombreVisible) {
    std::ofstream f(carpeta.En(nombre + ".cfp"), std::ios::binary);
    f << "[Connection]\r\n";
    if (!nombreVisible.empty()) f << "Name = " << nombreVisible << "\r\n";
    f << "Kind = " << tipo << "\r\nServer = " << servidor << "\r\nDatabase = " << base
      << "\r\nIntegrated = yes\r\n";
}

bool MotorPrueba::Crea(const std::string& servidor, const std::string& base,
                       const std::string& nombre) {
    EscribeCfp(nombre, servidor, base);
    motor = std::make_unique<Velqor>(guion.Fabrica(), reloj);
    motor->AlProgresar([this](std::string& texto, bool& bandera) {
        eventos.push_back({texto, &bandera == &cancelar, bandera});
        if (!prefijoCancelar_.empty() && texto.rfind(prefijoCancelar_, 0) == 0 &&
            --cancelarEnN_ == 0) {
            bandera = true;
        }
    });
    bool noEsSQL = false;
    return motor->Crear(carpeta.Texto(), nombre, carpetaInforme, noEsSQL);
}

bool MotorPrueba::Pasa(bool onLine, const std::string& ruta, const std::string& usuario,
                       const std::string& clave) {
    return motor->MejorarRendimiento(onLine, ruta, cancelar, usuario, clave, informe);
}

void MotorPrueba::CancelaEn(std::string prefijo, int n) {
    prefijoCancelar_ = std::move(prefijo);
    cancelarEnN_ = n;
}

void MotorPrueba::EsLaNube() {
    guion.Cuando("SELECT CAST(SERVERPROPERTY('EngineEdition')",
                 Respuesta::Filas({"engine_edition"}, {{Valor::Largo(5)}}));
    guion.Cuando(
        "SELECT object_id, index_id, avg_fragmentation_in_percent, page_count FROM "
        "sys.dm_db_index_physical_stats(DB_ID(), NULL",
        Respuesta::Filas(
            {"object_id", "index_id", "avg_fragmentation_in_percent", "page_count"},
            {{Valor::Largo(1), Valor::Largo(1), Valor::Doble(37.5), Valor::Largo(8)}}));
    guion.Cuando(
        "SELECT object_id, index_id, name FROM sys.indexes",
        Respuesta::Filas({"object_id", "index_id", "name"},
                         {{Valor::Largo(1), Valor::Largo(1), Valor::Texto("PK_Clientes")}}));
    guion.Cuando("SELECT avg_fragmentation_in_percent FROM sys.dm_db_index_physical_stats",
                 Respuesta::Filas({"avg_fragmentation_in_percent"}, {{Valor::Doble(0)}}));
}

Respuesta MotorPrueba::Encuesta(const std::vector<Lista>& filas) {
    std::vector<Lista> completas;
    for (const Lista& f : filas) {
        completas.push_back({f.at(0), Valor::Largo(1), f.at(1), f.at(2), Valor::Largo(0), f.at(3),
                             Valor::Largo(8)});
    }
    return Respuesta::Filas(
        {"ObjectName", "ObjectId", "IndexName", "IndexId", "Level", "ScanDensity", "Pages"},
        completas);
}

std::vector<std::string> MotorPrueba::Lineas() const {
    std::vector<std::string> lineas;
    size_t desde = 0;
    while (desde < informe.size()) {
        const size_t fin = informe.find("\r\n", desde);
        if (fin == std::string::npos) {
            ADD_FAILURE() << "the report does not end with CR LF: " << informe;
            lineas.push_back(informe.substr(desde));
            break;
        }
        lineas.push_back(informe.substr(desde, fin - desde));
        desde = fin + 2;
    }
    return lineas;
}

std::vector<std::string> MotorPrueba::Textos() const {
    std::vector<std::string> textos;
    for (const Evento& e : eventos) textos.push_back(e.texto);
    return textos;
}

std::unique_ptr<db::Connection> MotorPrueba::Conexion() {
    auto conn = guion.Fabrica()();
    conn->Open("", "", "", -1);
    return conn;
}

}  // namespace velqor::prueba
