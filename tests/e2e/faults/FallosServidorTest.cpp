// The built program run unattended against a server that fails under it (sqlsim's injected
// faults): a dropped connection, a login that never answers, an unexpected native error in each
// phase. Whatever fails, the run ends by itself with exit code 1, the report or the log says what
// happened, and the month's history file keeps what it held.

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "HistorialPrevio.h"
#include "InstalacionPrueba.h"
#include "SqlsimProceso.h"

namespace velqor::prueba {
namespace {

struct CasoFallo {
    const char* nombre;
    std::string fallo;      // one entry of sqlsim's "faults"
    bool conInforme;        // whether the pass got far enough to write a report
    std::string enInforme;  // text the report must hold
    std::string enLog;      // text the log must hold; empty: no log is required

    friend void PrintTo(const CasoFallo& caso, std::ostream* os) { *os << caso.nombre; }
};

// An injected error with a native number no step treats as "does not apply".
std::string Error(const std::string& coincide, const std::string& extra = "") {
    return R"({"match": ")" + coincide + R"(", )" + extra +
           R"("error": {"number": 50123, "class": 16, "state": 1, "text": "Injected failure."}})";
}
std::string Corte(const std::string& coincide) {
    return R"({"match": ")" + coincide + R"(", "occurrence": 1, "action": "drop"})";
}

constexpr const char* kEncuesta = "WITH FAST, TABLERESULTS, ALL_INDEXES";
constexpr const char* kBackupLog = "BACKUP LOG [Ventas] TO DISK";
constexpr const char* kNativo = "50123";
constexpr const char* kCorte = "Communication link failure";

const CasoFallo kCasos[] = {
    // The connection dropped while the server works on a statement: every later statement fails
    // too, and the log backup's failure ends the pass as cancelled.
    {"DropDuringSurvey", Corte(kEncuesta), true, "\r\nCancelled\r\n", kCorte},
    {"DropDuringRebuild", Corte("DBCC DBREINDEX"), true,
     "Reindex Clientes.PK_Clientes Error -2147467259: Communication link failure", kCorte},
    {"DropDuringLogBackup", Corte(kBackupLog), true,
     "Backup Log NativeError 0: " + std::string(kCorte), kCorte},
    // An unexpected native error in each phase.
    {"ErrorInLoginQuery", Error("FROM UsuariosPW WHERE"), false, "", kNativo},
    {"ErrorInSurvey", Error(kEncuesta), true, "", kNativo},
    {"ErrorInRebuild", Error("DBCC DBREINDEX", R"("occurrence": 1, )"), true,
     "Reindex Clientes.PK_Clientes Error", kNativo},
    {"ErrorInStatistics", Error("sp_updatestats"), true, "Injected failure.", kNativo},
    // The shrink's report line is the same whatever its outcome; the log says what failed.
    {"ErrorInShrink", Error("SHRINKFILE"), true, "Shrink Ventas_log", kNativo},
    {"ErrorInLogBackup", Error(kBackupLog), true, "Backup Log NativeError 50123", kNativo},
    {"ErrorInTruncate", Error("TRUNCATE_ONLY"), true, "Log Truncate NativeError 50123", kNativo},
    {"ErrorInDatabaseBackup", Error("BACKUP DATABASE"), true, "Backup Database NativeError 50123",
     kNativo},
    {"LoginRefusedWithAnUnexpectedError",
     R"({"on": "login", "error": {"number": 50123, "class": 14, "state": 1, "text": "Injected failure."}})",
     false, "", kNativo},
};

class FalloServidor : public ::testing::TestWithParam<CasoFallo> {};

TEST_P(FalloServidor, TheRunEndsFailedSaysWhyAndKeepsTheHistory) {
    const CasoFallo& caso = GetParam();
    SqlsimProceso sqlsim(EscenarioVentas("", caso.fallo));
    InstalacionPrueba inst;
    inst.EscribeDefinicion(sqlsim.Puerto());
    const HistorialPrevio historial(inst.ArchivoHistorial());

    const Corrida r = inst.Ejecuta(inst.EscribeLanzamiento());
    ASSERT_TRUE(r.terminoSolo) << "killed after " << r.segundos << " s";
    EXPECT_EQ(r.senal, 0);
    const std::string informe = inst.Unico(".txt");
    const std::string log = inst.Unico(".log");
    EXPECT_EQ(r.codigo, 1) << r.error << "\nreport:\n" << informe << "\nlog:\n" << log;
    if (caso.conInforme) {
        EXPECT_NE(informe.find(caso.enInforme), std::string::npos) << informe;
        EXPECT_NE(informe.find("\r\nTime: "), std::string::npos) << informe;
    } else {
        EXPECT_TRUE(inst.Archivos(".txt").empty()) << informe;
    }
    if (!caso.enLog.empty()) {
        EXPECT_NE(log.find(caso.enLog), std::string::npos) << log;
    }
    EXPECT_EQ(historial.Perdida(), "");
}

INSTANTIATE_TEST_SUITE_P(Inyectado, FalloServidor, ::testing::ValuesIn(kCasos),
                         [](const auto& info) { return std::string(info.param.nombre); });

TEST(FalloLogin, TheShortenedLoginTimeoutEndsTheRun) {
    SqlsimProceso sqlsim(EscenarioVentas("", R"({"on": "login", "action": "hang"})"));
    InstalacionPrueba inst;
    inst.EscribeDefinicion(sqlsim.Puerto(), 1);
    const HistorialPrevio historial(inst.ArchivoHistorial());

    // Well before the engine's own 30 s would run out, the one-second login time-out has.
    const Corrida r = inst.Ejecuta(inst.EscribeLanzamiento(), Limites{.segundos = 15});
    ASSERT_TRUE(r.terminoSolo) << "still waiting for the login after " << r.segundos << " s";
    EXPECT_EQ(r.codigo, 1) << r.error;
    EXPECT_TRUE(inst.Archivos(".txt").empty());
    const std::string log = inst.Unico(".log");
    EXPECT_NE(log.find("Error"), std::string::npos) << log;
    EXPECT_EQ(historial.Perdida(), "");
}

}  // namespace
}  // namespace velqor::prueba
