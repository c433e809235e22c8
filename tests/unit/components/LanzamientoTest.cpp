// The launch configuration record: the seven values it writes, and what it takes back, as the
// unattended start has always taken them.

#include <gtest/gtest.h>

#include <string>

#include "CarpetaTemporal.h"
#include "common/Proceso.h"
#include "components/Codificador.h"
#include "components/Lanzamiento.h"

namespace velqor::prueba {
namespace {

Lista Valores(Valor enLinea) {
    return {Valor::Texto("Sales"), Valor::Texto("/r"), Valor::Texto("ann"), Valor::Texto("pw"),
            Valor::Largo(0),       std::move(enLinea), Valor::Texto("D:\\Bak")};
}

TEST(LanzamientoRegistro, TheOnLineFlagIsTrueOnlyForTrueOrANonZeroNumber) {
    const struct {
        const char* caso;
        Valor valor;
        bool enLinea;
    } casos[] = {
        {"True", Valor::Logico(true), true},      {"False", Valor::Logico(false), false},
        {"a number", Valor::Largo(1), true},      {"zero", Valor::Largo(0), false},
        {"Null", Valor::Nulo(), false},           {"Empty", Valor(), false},
        {"a text", Valor::Texto("True"), false},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.caso);
        Lanzamiento l;
        std::string error;
        ASSERT_TRUE(Lanzamiento::DeLista(Valores(caso.valor), l, error)) << error;
        EXPECT_EQ(l.enLinea, caso.enLinea);
        EXPECT_EQ(l.carpetaBackup, "D:\\Bak");
    }
}

TEST(LanzamientoRegistro, WrittenAndReadBackItIsTheSameRecordAndAMissingFileSaysWhere) {
    CarpetaTemporal carpeta;
    Lanzamiento escrito;
    escrito.entrada = "Sales";
    escrito.carpetaInforme = "/srv/r";
    escrito.usuario = "O'Brien";
    escrito.clave = "pässwd";
    escrito.enLinea = true;
    escrito.carpetaBackup = "/var/bak";
    ASSERT_TRUE(escrito.Guarda(carpeta.En("n.ZEVcos")));
    Lista valores;
    ASSERT_TRUE(Codificador::LeeArchivo(VersionPrograma::kEmpresa, carpeta.En("n.ZEVcos"), valores,
                                        true));
    EXPECT_EQ(valores, escrito.ALista()) << "the file holds the seven values as before";

    Lanzamiento leido;
    std::string error;
    Lanzamiento::Lectura como = Lanzamiento::Lectura::NoExiste;
    ASSERT_TRUE(Lanzamiento::Lee(carpeta.En("n.ZEVcos"), leido, error, &como)) << error;
    EXPECT_EQ(como, Lanzamiento::Lectura::Leida);
    EXPECT_EQ(leido.ALista(), escrito.ALista());

    EXPECT_FALSE(Lanzamiento::Lee("falta.ZEVcos", leido, error, &como));
    EXPECT_EQ(como, Lanzamiento::Lectura::NoExiste);
    EXPECT_NE(error.find("falta.ZEVcos (in the working directory "), std::string::npos) << error;
    EXPECT_EQ(leido.ALista(), escrito.ALista()) << "a failed read leaves the record alone";
}

}  // namespace
}  // namespace velqor::prueba
