// The progress of a pass: the window's bar during a pass and after it, what a terminal is told,
// the estimate of the time left, and the terminal line rewritten in place.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "FormularioPrueba.h"
#include "window/LineaTerminal.h"
#include "window/MedidaAvance.h"

namespace velqor::prueba {
namespace {

using ventana::EstadoAvance;
using ventana::MedidaAvance;
using Paso = Velqor::Paso;

std::vector<std::string> TextosVisibles(const std::vector<ventana::BarraAvance>& barras) {
    std::vector<std::string> textos;
    for (const auto& b : barras) {
        if (b.visible && (textos.empty() || textos.back() != b.texto)) textos.push_back(b.texto);
    }
    return textos;
}

bool Tiene(const std::vector<std::string>& textos, const std::string& texto) {
    return std::find(textos.begin(), textos.end(), texto) != textos.end();
}

TEST_F(FormularioPrueba, TheBarFollowsThePassAndHidesWhenItEnds) {
    guion.Cuando("DBCC DBREINDEX", Respuesta::Nada().Tarda(3));
    Prepara();
    EXPECT_FALSE(vista.barra.visible) << "no bar while the window is idle";
    vista.barras.clear();
    form->cmdLanzarAhora_Click();

    ASSERT_FALSE(vista.barras.empty());
    EXPECT_TRUE(vista.barras.front().visible);
    const std::vector<std::string> textos = TextosVisibles(vista.barras);
    EXPECT_EQ(textos.front(), "survey");
    for (const char* texto : {"1 / 2", "2 / 2", "statistics", "log shrink", "log backup",
                              "log truncate", "database backup"}) {
        EXPECT_TRUE(Tiene(textos, texto)) << texto;
    }
    const auto dosDeDos = std::find_if(vista.barras.begin(), vista.barras.end(),
                                       [](const auto& b) { return b.texto == "2 / 2"; });
    ASSERT_NE(dosDeDos, vista.barras.end());
    EXPECT_EQ(dosDeDos->hechos, 2);
    EXPECT_EQ(dosDeDos->total, 2);
    EXPECT_EQ(dosDeDos->transcurrido, "0:06") << "two rebuilds of three seconds each";

    EXPECT_FALSE(vista.barra.visible) << "the bar hides when the pass has ended";
    EXPECT_EQ(vista.Texto(Control::sbEstado), "Done") << "the engine's last text stays";
}

TEST_F(FormularioPrueba, WhoeverFollowsOutsideTheWindowHearsTheEstimateAndTheEnd) {
    guion.Cuando("DBCC DBREINDEX", Respuesta::Nada().Tarda(4));
    std::vector<EstadoAvance> estados;
    alAvanzar = [&](const EstadoAvance& e) { estados.push_back(e); };
    Prepara();
    form->cmdLanzarAhora_Click();

    ASSERT_FALSE(estados.empty());
    const auto uno = std::find_if(estados.begin(), estados.end(), [](const EstadoAvance& e) {
        return e.paso == Paso::Indices && e.hechos == 1;
    });
    ASSERT_NE(uno, estados.end());
    EXPECT_EQ(uno->total, 2);
    EXPECT_EQ(uno->restantes, 4) << "one index left at the pace of four seconds an index";
    EXPECT_EQ(estados.back().paso, Paso::Fin);
    EXPECT_EQ(std::count_if(estados.begin(), estados.end(),
                            [](const EstadoAvance& e) { return e.paso == Paso::Fin; }),
              1);
}

TEST(MedidaAvance, EstimatesTheTimeLeftFromTheIndexesDone) {
    RelojFijo reloj(HacerMomento(2026, 12, 10, 2, 0, 0));
    MedidaAvance medida(reloj);
    medida.Inicia();
    reloj.Avanza(10);
    medida.Anota({Paso::Indices, 0, 4});
    EXPECT_EQ(medida.Estado().restantes, -1) << "nothing to go by before the first index";
    reloj.Avanza(6);
    medida.Anota({Paso::Indices, 1, 4});
    EstadoAvance estado = medida.Estado();
    EXPECT_EQ(estado.transcurridos, 16);
    EXPECT_EQ(estado.restantes, 18);
    reloj.Avanza(2);
    medida.Anota({Paso::Estadisticas});
    EXPECT_EQ(medida.Estado().restantes, -1) << "the steps after the indexes have no estimate";
}

TEST(MedidaAvance, WordsTheBarTheDurationsAndTheTerminalLine) {
    struct Caso {
        EstadoAvance estado;
        std::string barra, linea;
    };
    const Caso casos[] = {
        {{Paso::Encuesta, 0, 0, 3, -1}, "survey", "survey, 0:03 elapsed"},
        {{Paso::Indices, 17, 240, 42, 551},
         "17 / 240",
         "indexes 17 / 240, 0:42 elapsed, about 9:11 left"},
        {{Paso::BackupBase, 0, 0, 3723, -1}, "database backup", "database backup, 1:02:03 elapsed"},
    };
    for (const Caso& c : casos) {
        EXPECT_EQ(MedidaAvance::TextoBarra(c.estado), c.barra);
        EXPECT_EQ(MedidaAvance::LineaTerminal(c.estado), c.linea);
    }
    EXPECT_EQ(MedidaAvance::TextoDuracion(0), "0:00");
    EXPECT_EQ(MedidaAvance::TextoDuracion(725), "12:05");
}

TEST(LineaTerminal, RewritesItselfInPlaceAndClearsOnce) {
    std::ostringstream salida;
    {
        ventana::LineaTerminal linea(salida);
        linea.Escribe("indexes 1 / 2");
        linea.Escribe("indexes 1 / 2");
        linea.Escribe("indexes 2 / 2");
        linea.Borra();
        linea.Borra();
    }
    EXPECT_EQ(salida.str(), "\rindexes 1 / 2\x1b[K\rindexes 2 / 2\x1b[K\r\x1b[K");

    std::ostringstream nada;
    { ventana::LineaTerminal linea(nada); }
    EXPECT_EQ(nada.str(), "") << "a line never written is never cleared";
}

}  // namespace
}  // namespace velqor::prueba
