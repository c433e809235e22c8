// The server dialects: which one each engine edition gets, what each sends for an index and which
// steps of the pass apply to it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ConexionGuionada.h"
#include "engine/Dialecto.h"

namespace velqor::prueba {
namespace {

using ::testing::ElementsAre;
using Paso = Velqor::Paso;
using Trato = Dialecto::Trato;

const std::string kNoAplica = "Doesn't apply to Azure SQL Database";

TEST(DialectoTest, EachEngineEditionGetsItsDialect) {
    const struct {
        int32_t edicion;
        bool nube;
        const char* producto;
        bool enLinea;  // rebuilds on line
    } casos[] = {
        {0, false, "SQL Server", false},          // did not say
        {2, false, "SQL Server", false},          // Standard
        {3, false, "SQL Server", true},           // Enterprise, Developer, Evaluation
        {4, false, "SQL Server", false},          // Express
        {5, true, "Azure SQL Database", true},    // SQL Database
        {6, true, "Azure SQL Database", false},   // Synapse dedicated pool
        {8, true, "Azure SQL Database", true},    // Managed Instance: backs up to URLs only
        {9, false, "SQL Server", false},          // SQL Edge
        {11, true, "Azure SQL Database", false},  // Synapse serverless
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.edicion);
        const auto d = Dialecto::DeEdicion(caso.edicion);
        EXPECT_EQ(d->EdicionMotor(), caso.edicion);
        EXPECT_EQ(d->Nube(), caso.nube);
        EXPECT_EQ(d->Producto(), caso.producto);
        EXPECT_EQ(d->ReconstruyeEnLinea(), caso.enLinea);
    }
}

TEST(DialectoTest, StatementsForAnIndexFollowTheDialect) {
    const IndiceEncuestado indice{"Sales", "O'Brien]", "PK O'B", 7, 1, 8, 40};
    const struct {
        int32_t edicion;
        Trato trato;
        const char* sentencia;
    } casos[] = {
        {3, Trato::Reconstruye, "DBCC DBREINDEX ('[Sales].[O''Brien]]]', 'PK O''B')"},
        {3, Trato::Reorganiza, "DBCC INDEXDEFRAG ([Mi Base], '[Sales].[O''Brien]]]', 'PK O''B')"},
        {5, Trato::Reconstruye, "ALTER INDEX [PK O'B] ON [Sales].[O'Brien]]] REBUILD"},
        {5, Trato::Reorganiza, "ALTER INDEX [PK O'B] ON [Sales].[O'Brien]]] REORGANIZE"},
    };
    for (const auto& caso : casos) {
        EXPECT_EQ(Dialecto::DeEdicion(caso.edicion)->Tratamiento(indice, caso.trato, "Mi Base"),
                  caso.sentencia);
    }
}

TEST(DialectoTest, TheCloudServiceTakesNoBackupStepAndSaysWhy) {
    const struct {
        Paso paso;
        bool servidor;  // applies on SQL Server
        bool nube;      // applies on the cloud service
    } casos[] = {
        {Paso::Encuesta, true, true},     {Paso::Indices, true, true},
        {Paso::Estadisticas, true, true}, {Paso::ReduccionLog, true, true},
        {Paso::BackupLog, true, false},   {Paso::Truncado, true, false},
        {Paso::BackupBase, true, false},
    };
    const auto servidor = Dialecto::DeEdicion(3);
    const auto nube = Dialecto::DeEdicion(5);
    for (const auto& caso : casos) {
        SCOPED_TRACE(Velqor::TextoPaso(caso.paso));
        std::string motivo = "previo";
        EXPECT_EQ(servidor->Aplica(caso.paso, motivo), caso.servidor);
        EXPECT_EQ(motivo, "");
        EXPECT_EQ(nube->Aplica(caso.paso, motivo), caso.nube);
        EXPECT_EQ(motivo, caso.nube ? "" : kNoAplica);
    }
}

// The edition is asked once; a server that does not answer is SQL Server until its survey is
// refused as the cloud service refuses it.
TEST(DialectoTest, TheEditionIsAskedAndARefusedSurveyDecidesWhenItIsNotKnown) {
    const struct {
        const char* caso;
        Respuesta edicion;
        int32_t esperada;
    } casos[] = {
        {"cloud", Respuesta::Filas({"engine_edition"}, {{Valor::Largo(5)}}), 5},
        {"enterprise", Respuesta::Filas({"engine_edition"}, {{Valor::Largo(3)}}), 3},
        {"NULL", Respuesta::Filas({"engine_edition"}, {{Valor::Nulo()}}), 0},
        {"no rows", Respuesta::Filas({"engine_edition"}, {}), 0},
        {"refused", Respuesta::Rechazo({{208, "Invalid object name."}}), 0},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.caso);
        Guion guion;
        guion.Cuando("SELECT CAST(SERVERPROPERTY('EngineEdition') AS int)", caso.edicion);
        auto conn = guion.Fabrica()();
        conn->Open("", "", "", 0);
        const auto d = Dialecto::De(*conn);
        EXPECT_EQ(d->EdicionMotor(), caso.esperada);
        EXPECT_EQ(d->Nube(), caso.esperada == 5);
        EXPECT_THAT(guion.sentencias,
                    ElementsAre("SELECT CAST(SERVERPROPERTY('EngineEdition') AS int) AS "
                                "engine_edition"));
    }

    const struct {
        int32_t edicion;
        int32_t nativo;
        bool nube;  // goes on as the cloud service
    } rechazos[] = {
        {0, 40518, true}, {0, 2526, true}, {0, 2571, false}, {3, 40518, false}, {3, 2526, false}};
    for (const auto& r : rechazos) {
        SCOPED_TRACE(std::to_string(r.edicion) + " " + std::to_string(r.nativo));
        Guion guion;
        guion.Cuando("DBCC SHOWCONTIG", Respuesta::Rechazo({{r.nativo, "refused"}}));
        auto conn = guion.Fabrica()();
        conn->Open("", "", "", 0);
        EXPECT_ANY_THROW(conn->Execute("DBCC SHOWCONTIG ()", 1));
        const auto otro = Dialecto::DeEdicion(r.edicion)->SinEncuesta(*conn);
        EXPECT_EQ(otro != nullptr, r.nube);
        if (otro) {
            EXPECT_TRUE(otro->Nube());
        }
    }
}

}  // namespace
}  // namespace velqor::prueba
