#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "CarpetaTemporal.h"
#include "EjecutaCli.h"
#include "common/Momento.h"
#include "common/ZEVmat3.h"

namespace velqor::prueba {
namespace {

// One index of table Clientes rebuilt from 62.5 to 100 on 2024-03-05, as the engine stores it.
const std::string kEjemplo =
    "N1/0A197/N1/0A173/N1/3T8/ClientesT11/PK_ClientesT19/ClientesPK_ClientesA101/N1/0A80/N1/4N4/"
    "62.5"
    "F19/2024-03-05 10:00:00F19/2024-03-05 "
    "10:00:02N3/100L1/1N3/242N4/2253N3/719N4/4159N4/1474N4/9114"
    "N4/2046N5/11019N4/2291N5/12319";

Valor Medicion(double antes, Momento inicio, double despues, bool bloquear) {
    return Valor::Matriz({Valor::Doble(antes), Valor::Fecha(inicio),
                          Valor::Fecha(inicio + std::chrono::seconds(3)), Valor::Doble(despues),
                          Valor::Logico(bloquear)});
}

Valor Fila(const std::string& tabla, const std::string& indice, Lista mediciones) {
    return Valor::Matriz({Valor::Texto(tabla), Valor::Texto(indice), Valor::Texto(tabla + indice),
                          Valor::Matriz(std::move(mediciones))});
}

std::string TextoDelArchivo(const Valor& historia) {
    std::string texto;
    EXPECT_TRUE(MatrizATexto(Valor::Matriz({historia}), texto));
    return texto + "\r\n";
}

class HistorialCli : public ::testing::Test {
  protected:
    CarpetaTemporal carpeta;
    std::string ruta = carpeta.En("Sales_2024_03.ZEVeri");
};

TEST_F(HistorialCli, PrintsTheWorkedExample) {
    EscribeBytes(ruta, kEjemplo + "\r\n");
    ResultadoCli r = EjecutaCli({"history", ruta});
    ASSERT_EQ(r.codigo, 0) << r.error;
    EXPECT_EQ(r.salida,
              "Table Clientes, index PK_Clientes\n"
              "  Start                End                  Before   After  Treatment\n"
              "  2024-03-05 10:00:00  2024-03-05 10:00:02    62.5     100  rebuild\n");
    EXPECT_TRUE(r.error.empty());
}

TEST_F(HistorialCli, PrintsEveryMeasurementOldestFirstAndNamesDefragmentation) {
    const Momento dia5 = HacerMomento(2024, 3, 5, 10), dia12 = HacerMomento(2024, 3, 12, 22, 30);
    EscribeBytes(
        ruta, TextoDelArchivo(Valor::Matriz(
                  {Fila("Clientes", "IX_Nombre",
                        {Medicion(40.25, dia5, 99.5, true), Medicion(0.5, dia12, 87.123, false)}),
                   Fila("Pedidos", "PK_Pedidos", {Medicion(70, dia12, 100, false)})})));
    ResultadoCli r = EjecutaCli({"history", ruta});
    ASSERT_EQ(r.codigo, 0) << r.error;
    EXPECT_EQ(r.salida,
              "Table Clientes, index IX_Nombre\n"
              "  Start                End                  Before   After  Treatment\n"
              "  2024-03-05 10:00:00  2024-03-05 10:00:03   40.25    99.5  rebuild\n"
              "  2024-03-12 22:30:00  2024-03-12 22:30:03     0.5   87.12  defrag\n"
              "Table Pedidos, index PK_Pedidos\n"
              "  Start                End                  Before   After  Treatment\n"
              "  2024-03-12 22:30:00  2024-03-12 22:30:03      70     100  defrag\n");
}

TEST_F(HistorialCli, AnEmptyHistoryIsNotAnError) {
    for (const std::string& contenido : {std::string("N1/0E0/N1/0N1/0\r\n"), std::string()}) {
        EscribeBytes(ruta, contenido);
        ResultadoCli r = EjecutaCli({"history", ruta});
        EXPECT_EQ(r.codigo, 0) << r.error;
        EXPECT_EQ(r.salida, "No index was treated in this period.\n");
    }
}

TEST_F(HistorialCli, ADamagedOrForeignFileIsAnErrorThatSaysSo) {
    std::string otraDensidad = kEjemplo;
    otraDensidad.replace(otraDensidad.find("62.5"), 4, "92.5");
    const std::pair<std::string, std::string> casos[] = {
        {otraDensidad + "\r\n", "its text is damaged"},
        {kEjemplo.substr(0, kEjemplo.size() - 7), "its text is damaged"},
        {"garbage\r\n", "its text is damaged"},
        {"N1/2T2/abN1/5L1/1N1/1N3/297\r\n",
         "it is not a density history (the top level holds 3 entries"},
        {"N1/0T2/abN1/1N3/195\r\n",
         "it is not a density history (its entry is neither empty nor a list"},
        {TextoDelArchivo(Valor::Matriz({Valor::Texto("x")})),
         "it is not a density history (row 0 is not a list of four values)"},
        {TextoDelArchivo(Valor::Matriz({Fila("T", "I", {Valor::Matriz({Valor::Doble(1)})})})),
         "it is not a density history (row 0 measurement 0 is not a list of five values)"},
    };
    for (const auto& [contenido, mensaje] : casos) {
        EscribeBytes(ruta, contenido);
        ResultadoCli r = EjecutaCli({"history", ruta, "--html", carpeta.En("page.html")});
        EXPECT_EQ(r.codigo, 1) << mensaje;
        EXPECT_NE(r.error.find(ruta + " cannot be used: " + mensaje), std::string::npos) << r.error;
        EXPECT_TRUE(r.salida.empty()) << mensaje;
        EXPECT_FALSE(std::filesystem::exists(carpeta.En("page.html")));
    }
}

TEST_F(HistorialCli, AMissingFileIsAnError) {
    ResultadoCli r = EjecutaCli({"history", carpeta.En("none.ZEVeri")});
    EXPECT_EQ(r.codigo, 1);
    EXPECT_NE(r.error.find("cannot read " + carpeta.En("none.ZEVeri") + ": no such file"),
              std::string::npos);
}

TEST_F(HistorialCli, HtmlPageIsSelfContainedWithOneChartPerIndexAndOneForTheNights) {
    const Momento dia5 = HacerMomento(2024, 3, 5, 10);
    EscribeBytes(
        ruta,
        TextoDelArchivo(Valor::Matriz(
            {Fila("Clientes", "PK_Clientes", {Medicion(62.5, dia5, 100, true)}),
             Fila("Pedidos", "<script>alert('x')</script>", {Medicion(70, dia5, 98, false)})})));
    const std::string pagina = carpeta.En("page.html");
    ResultadoCli r = EjecutaCli({"history", ruta, "--html", pagina});
    ASSERT_EQ(r.codigo, 0) << r.error;
    const std::string html = LeeBytes(pagina);

    size_t graficos = 0;
    for (size_t p = html.find("<svg"); p != std::string::npos; p = html.find("<svg", p + 1))
        ++graficos;
    EXPECT_EQ(graficos, 3u);
    EXPECT_NE(html.find("<h2>Overview</h2>"), std::string::npos);
    EXPECT_NE(html.find("No advice: the history holds fewer than 3 nights"), std::string::npos);
    EXPECT_NE(html.find("PK_Clientes"), std::string::npos);
    EXPECT_NE(html.find("62.5% to 100% (rebuild)"), std::string::npos);
    EXPECT_NE(html.find("70% to 98% (defrag)"), std::string::npos);
    EXPECT_NE(html.find("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;"), std::string::npos);
    // Rebuilds are drawn with filled dots, defragmentations with hollow ones.
    EXPECT_NE(html.find("stroke=\"#c0392b\" fill=\"#c0392b\"/>"), std::string::npos);
    EXPECT_NE(html.find("stroke=\"#c0392b\" fill=\"#fff\"/>"), std::string::npos);
    // Nothing is fetched: one inline script (the filter box), no links, no external resources.
    const size_t guion = html.find("<script>");
    ASSERT_NE(guion, std::string::npos);
    EXPECT_EQ(html.find("<script", guion + 1), std::string::npos);
    for (const char* prohibido : {"src=", "href=", "@import", "url(", "fetch(", "XMLHttpRequest"}) {
        EXPECT_EQ(html.find(prohibido), std::string::npos) << prohibido;
    }
}

TEST_F(HistorialCli, ThePageNeverReplacesTheHistory) {
    EscribeBytes(ruta, kEjemplo + "\r\n");
    for (const std::string& pagina : {ruta, carpeta.En("./Sales_2024_03.ZEVeri")}) {
        ResultadoCli r = EjecutaCli({"history", ruta, "--html", pagina});
        EXPECT_EQ(r.codigo, 2);
        EXPECT_NE(r.error.find("--html must name another file than the history"), std::string::npos)
            << r.error;
    }
    EXPECT_EQ(LeeBytes(ruta), kEjemplo + "\r\n");
}

TEST_F(HistorialCli, AnUnwritablePageIsAFailure) {
    EscribeBytes(ruta, kEjemplo + "\r\n");
    ResultadoCli r = EjecutaCli({"history", ruta, "--html", carpeta.En("missing/page.html")});
    EXPECT_EQ(r.codigo, 1);
    EXPECT_NE(r.error.find("could not write"), std::string::npos) << r.error;
}

TEST_F(HistorialCli, AnExistingPageIsReplacedOnlyWithForce) {
    EscribeBytes(ruta, kEjemplo + "\r\n");
    const std::string pagina = carpeta.En("page.html");
    EscribeBytes(pagina, "keep me");
    ResultadoCli r = EjecutaCli({"history", ruta, "--html", pagina});
    EXPECT_EQ(r.codigo, 1);
    EXPECT_NE(r.error.find("already exists; add --force"), std::string::npos) << r.error;
    EXPECT_EQ(LeeBytes(pagina), "keep me");
    EXPECT_EQ(EjecutaCli({"history", ruta, "--html", pagina, "--force"}).codigo, 0);
    EXPECT_NE(LeeBytes(pagina).find("<svg"), std::string::npos);
}

TEST_F(HistorialCli, JsonForScripts) {
    EscribeBytes(ruta, kEjemplo + "\r\n");
    ResultadoCli r = EjecutaCli({"history", ruta, "--json"});
    ASSERT_EQ(r.codigo, 0) << r.error;
    const auto j = nlohmann::json::parse(r.salida);
    ASSERT_EQ(j["indexes"].size(), 1u);
    EXPECT_EQ(j["indexes"][0]["table"], "Clientes");
    const auto& m = j["indexes"][0]["measurements"][0];
    EXPECT_EQ(m["densityBefore"], 62.5);
    EXPECT_EQ(m["densityAfter"], 100);
    EXPECT_EQ(m["start"], "2024-03-05 10:00:00");
    EXPECT_EQ(m["treatment"], "rebuild");
}

TEST_F(HistorialCli, APlantedLinkIsReplacedNeverWrittenThrough) {
    EscribeBytes(ruta, kEjemplo + "\r\n");
    const std::string victima = carpeta.En("victim.txt"), pagina = carpeta.En("page.html");
    EscribeBytes(victima, "precious");
    ASSERT_EQ(::symlink(victima.c_str(), pagina.c_str()), 0);
    // Without --force a link counts as an existing page, even one that points nowhere.
    const std::string colgante = carpeta.En("dangling.html");
    ASSERT_EQ(::symlink(carpeta.En("nowhere.txt").c_str(), colgante.c_str()), 0);
    for (const std::string& destino : {pagina, colgante}) {
        ResultadoCli r = EjecutaCli({"history", ruta, "--html", destino});
        EXPECT_EQ(r.codigo, 1) << destino;
        EXPECT_NE(r.error.find("already exists; add --force"), std::string::npos) << r.error;
    }
    EXPECT_FALSE(std::filesystem::exists(carpeta.En("nowhere.txt")));
    // With --force the link itself is replaced by the page; its target keeps its bytes.
    ResultadoCli r = EjecutaCli({"history", ruta, "--html", pagina, "--force"});
    ASSERT_EQ(r.codigo, 0) << r.error;
    EXPECT_EQ(LeeBytes(victima), "precious");
    EXPECT_FALSE(std::filesystem::is_symlink(pagina));
    EXPECT_NE(LeeBytes(pagina).find("<svg"), std::string::npos);
    // No temporary is left beside it.
    size_t archivos = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(carpeta.Ruta()))
        ++archivos;
    EXPECT_EQ(archivos, 4u);  // the history, the target, the page and the dangling link
}

// Three nights in March and one in April, each month a file of Sales; April's file also holds a
// copy of March's last treatment (as a window opened across midnight once wrote it).
class HistorialMeses : public HistorialCli {
  protected:
    void SetUp() override {
        const auto pase = [](unsigned mes, unsigned dia) {
            return Lista{Medicion(55, HacerMomento(2024, mes, dia, 22), 100, true)};
        };
        Lista marzo, abril;
        for (unsigned dia : {29u, 30u, 31u}) {
            for (auto& m : pase(3, dia)) marzo.push_back(m);
        }
        for (auto& m : pase(3, 31)) abril.push_back(m);
        for (auto& m : pase(4, 1)) abril.push_back(m);
        EscribeBytes(carpeta.En("Sales_2024_03.ZEVeri"),
                     TextoDelArchivo(Valor::Matriz({Fila("Pedidos", "PK_Pedidos", marzo)})));
        EscribeBytes(carpeta.En("Sales_2024_04.ZEVeri"),
                     TextoDelArchivo(Valor::Matriz({Fila("Pedidos", "PK_Pedidos", abril)})));
    }
};

TEST_F(HistorialMeses, SeveralMonthsOrTheirFolderAreOneHistory) {
    const std::vector<std::vector<std::string>> formas = {
        {carpeta.En("Sales_2024_03.ZEVeri"), carpeta.En("Sales_2024_04.ZEVeri")},
        {carpeta.Texto()}};
    for (const auto& rutas : formas) {
        std::vector<std::string> argumentos{"history"};
        argumentos.insert(argumentos.end(), rutas.begin(), rutas.end());
        argumentos.push_back("--json");
        ResultadoCli r = EjecutaCli(argumentos);
        ASSERT_EQ(r.codigo, 0) << r.error;
        const auto j = nlohmann::json::parse(r.salida);
        ASSERT_EQ(j["indexes"].size(), 1u);
        EXPECT_EQ(j["indexes"][0]["measurements"].size(), 4u);  // the copy is counted once
        ASSERT_EQ(j["overview"].size(), 4u);
        EXPECT_EQ(j["overview"][2]["night"], "2024-03-31");
        EXPECT_EQ(j["overview"][3]["night"], "2024-04-01");
        EXPECT_EQ(j["overview"][3]["rebuilt"], 1);
        EXPECT_EQ(j["overview"][3]["seconds"], 3);
        EXPECT_EQ(j["overview"][3]["meanDensityBefore"], 55);
        ASSERT_EQ(j["advice"].size(), 1u);
        EXPECT_EQ(j["advice"][0]["kind"], "fillFactor");
        EXPECT_EQ(j["advice"][0]["index"], "PK_Pedidos");
        EXPECT_EQ(j["advice"][0]["fillFactor"], 80);
        EXPECT_EQ(j["advice"][0]["fragmentedAgainByTheNextNight"], 3);
    }
    ResultadoCli r = EjecutaCli({"history", carpeta.Texto()});
    ASSERT_EQ(r.codigo, 0) << r.error;
    EXPECT_NE(
        r.salida.find("Advice (suggestions only; nothing is changed):\n- Table Pedidos, index "
                      "PK_Pedidos: Rebuild it with FILLFACTOR = 80"),
        std::string::npos)
        << r.salida;
    EXPECT_NE(r.salida.find("  Evidence: treated on 4 of 4 nights;"), std::string::npos);
}

TEST_F(HistorialMeses, AFolderOfSeveralDefinitionsOrOfNoneIsAnError) {
    const struct {
        std::string preparar, mensaje;
    } casos[] = {
        {"Stock_2024_03.ZEVeri", "holds the histories of several definitions (Sales, Stock)"},
        {"", "holds no density history"},
    };
    for (const auto& c : casos) {
        CarpetaTemporal otra;
        if (!c.preparar.empty()) {
            std::filesystem::copy(carpeta.En("Sales_2024_03.ZEVeri"),
                                  otra.En("Sales_2024_03.ZEVeri"));
            std::filesystem::copy(carpeta.En("Sales_2024_03.ZEVeri"), otra.En(c.preparar));
        }
        ResultadoCli r = EjecutaCli({"history", otra.Texto(), "--html", carpeta.En("p.html")});
        EXPECT_EQ(r.codigo, 1);
        EXPECT_NE(r.error.find(otra.Texto() + " " + c.mensaje), std::string::npos) << r.error;
        EXPECT_FALSE(std::filesystem::exists(carpeta.En("p.html")));
    }
    // A damaged month among good ones stops the whole reading, naming it.
    EscribeBytes(carpeta.En("Sales_2024_05.ZEVeri"), "garbage\r\n");
    ResultadoCli r = EjecutaCli({"history", carpeta.Texto()});
    EXPECT_EQ(r.codigo, 1);
    EXPECT_NE(r.error.find("Sales_2024_05.ZEVeri cannot be used: its text is damaged"),
              std::string::npos)
        << r.error;
}

}  // namespace
}  // namespace velqor::prueba
