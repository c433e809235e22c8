#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "CarpetaTemporal.h"
#include "LlavesPrueba.h"
#include "common/Momento.h"
#include "common/Proceso.h"
#include "components/Codificador.h"
#include "components/LlaveInstalacion.h"

namespace velqor {
namespace {

using prueba::CarpetaTemporal;
using prueba::EscribeBytes;
using prueba::LeeBytes;

const std::string kClave = VersionPrograma::kEmpresa;

// The seven values of a launch configuration, as the window writes them.
Lista Lanzamiento() {
    return {Valor::Texto("Ventas Central"),
            Valor::Texto("/srv/informes"),
            Valor::Texto("Admin"),
            Valor::Texto("Contraseña €/|1 \"x\"\r\n日本"),
            Valor::Largo(0),
            Valor::Logico(true),
            Valor::Texto("")};
}

unsigned Permisos(const std::string& ruta) {
    struct stat st {};
    if (::stat(ruta.c_str(), &st) != 0) return 0;
    return st.st_mode & 07777;
}

TEST(CodificadorArchivo, SevenValuesComeBackWithTheirKinds) {
    CarpetaTemporal carpeta;
    const std::string ruta = carpeta.En("noche.ZEVcos");
    ASSERT_TRUE(Codificador::GuardaArchivo(kClave, Lanzamiento(), ruta, true));
    Lista leidos;
    ASSERT_TRUE(Codificador::LeeArchivo(kClave, ruta, leidos, true));
    const Lista esperados = Lanzamiento();
    ASSERT_EQ(leidos.size(), esperados.size());
    for (std::size_t i = 0; i < esperados.size(); ++i) {
        EXPECT_EQ(leidos[i].tipo(), esperados[i].tipo()) << "entry " << i;
        EXPECT_EQ(leidos[i], esperados[i]) << "entry " << i;
    }
}

TEST(CodificadorArchivo, EveryKindTheArrayTextKnowsKeepsItsKindAtAnyDepth) {
    CarpetaTemporal carpeta;
    const Lista anidada = {Valor::Entero(-7), Valor::Byte(200), Valor::Simple(1.5F)};
    const Lista valores = {Valor(),
                           Valor::Nulo(),
                           Valor::Entero(-32768),
                           Valor::Largo(2147483647),
                           Valor::Doble(0.5),
                           Valor::Decimal(12.25),
                           Valor::Byte(255),
                           Valor::Fecha(HacerMomento(2024, 3, 5, 10, 0, 2)),
                           Valor::Logico(false),
                           Valor::Matriz(anidada),
                           Valor::Matriz({})};
    const std::string ruta = carpeta.En("todo.ZEVcos");
    ASSERT_TRUE(Codificador::GuardaArchivo(kClave, valores, ruta, true));
    Lista leidos;
    ASSERT_TRUE(Codificador::LeeArchivo(kClave, ruta, leidos, true));
    ASSERT_EQ(leidos.size(), valores.size());
    for (std::size_t i = 0; i < valores.size(); ++i) {
        EXPECT_EQ(leidos[i].tipo(), valores[i].tipo()) << "entry " << i;
    }
    const Lista& sub = leidos[9].ComoLista();
    ASSERT_EQ(sub.size(), 3U);
    EXPECT_EQ(sub[0], Valor::Entero(-7));
    EXPECT_EQ(sub[1], Valor::Byte(200));
    EXPECT_EQ(sub[2].tipo(), Valor::Tipo::Single);
    EXPECT_EQ(leidos[3], Valor::Largo(2147483647));
    EXPECT_EQ(leidos[7], valores[7]);
}

TEST(CodificadorArchivo, AnEmptyListComesBack) {
    CarpetaTemporal carpeta;
    ASSERT_TRUE(Codificador::GuardaArchivo(kClave, {}, carpeta.En("vacio"), true));
    Lista leidos = {Valor::Texto("x")};
    ASSERT_TRUE(Codificador::LeeArchivo(kClave, carpeta.En("vacio"), leidos, true));
    EXPECT_TRUE(leidos.empty());
}

TEST(CodificadorArchivo, FileIsOwnerOnlyEvenWhenReplacingAnOpenFile) {
    CarpetaTemporal carpeta;
    const std::string ruta = carpeta.En("c.ZEVcos");
    EscribeBytes(ruta, "old content");
    ASSERT_EQ(::chmod(ruta.c_str(), 0644), 0);
    ASSERT_TRUE(Codificador::GuardaArchivo(kClave, Lanzamiento(), ruta, true));
    EXPECT_EQ(Permisos(ruta), 0600U);
    // Nothing but the file itself is left in the folder (no temporary file).
    std::set<std::string> nombres;
    for (const auto& e : std::filesystem::directory_iterator(carpeta.Ruta())) {
        nombres.insert(e.path().filename().string());
    }
    EXPECT_EQ(nombres, std::set<std::string>{"c.ZEVcos"});
}

TEST(CodificadorArchivo, FailedWriteLeavesTheExistingFileAsItWas) {
    CarpetaTemporal carpeta;
    const std::string ruta = carpeta.En("c.ZEVcos");
    ASSERT_TRUE(Codificador::GuardaArchivo(kClave, Lanzamiento(), ruta, true));
    const std::string antes = LeeBytes(ruta);
    // A currency amount cannot be written as array text.
    EXPECT_FALSE(Codificador::GuardaArchivo(kClave, {Valor::Moneda(1.5)}, ruta, true));
    EXPECT_EQ(LeeBytes(ruta), antes);
    // A folder in the way, a missing folder.
    std::filesystem::create_directory(carpeta.En("dir.ZEVcos"));
    EXPECT_FALSE(Codificador::GuardaArchivo(kClave, Lanzamiento(), carpeta.En("dir.ZEVcos"), true));
    EXPECT_TRUE(std::filesystem::is_directory(carpeta.En("dir.ZEVcos")));
    EXPECT_FALSE(
        Codificador::GuardaArchivo(kClave, Lanzamiento(), carpeta.En("no/c.ZEVcos"), true));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(carpeta.Ruta()),
                            std::filesystem::directory_iterator()),
              2);
}

TEST(CodificadorArchivo, TwoSavesOfTheSameListDiffer) {
    CarpetaTemporal carpeta;
    ASSERT_TRUE(Codificador::GuardaArchivo(kClave, Lanzamiento(), carpeta.En("a"), true));
    ASSERT_TRUE(Codificador::GuardaArchivo(kClave, Lanzamiento(), carpeta.En("b"), true));
    EXPECT_NE(LeeBytes(carpeta.En("a")), LeeBytes(carpeta.En("b")));
}

// Reading must fail and leave the caller's list alone.
void EsperaRechazo(const std::string& clave, const std::string& ruta, const std::string& motivo) {
    Lista valores = {Valor::Texto("sin tocar")};
    EXPECT_FALSE(Codificador::LeeArchivo(clave, ruta, valores, true)) << motivo;
    ASSERT_EQ(valores.size(), 1U) << motivo;
    EXPECT_EQ(valores[0], Valor::Texto("sin tocar")) << motivo;
}

TEST(CodificadorArchivo, AnyFlippedByteIsRefused) {
    CarpetaTemporal carpeta;
    const std::string original = carpeta.En("c.ZEVcos");
    ASSERT_TRUE(Codificador::GuardaArchivo(kClave, Lanzamiento(), original, true));
    const std::string bytes = LeeBytes(original);
    // Every byte: the magic, the version, the salt, the nonce, the ciphertext and the tag.
    const std::string ruta = carpeta.En("t.ZEVcos");
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::string alterado = bytes;
        alterado[i] = static_cast<char>(alterado[i] ^ 0x01);
        EscribeBytes(ruta, alterado);
        EsperaRechazo(kClave, ruta, "byte " + std::to_string(i) + " flipped");
    }
}

TEST(CodificadorArchivo, TruncatedOrExtendedFilesAreRefused) {
    CarpetaTemporal carpeta;
    const std::string original = carpeta.En("c.ZEVcos");
    ASSERT_TRUE(Codificador::GuardaArchivo(kClave, Lanzamiento(), original, true));
    const std::string bytes = LeeBytes(original);
    const std::string ruta = carpeta.En("t.ZEVcos");
    for (std::size_t largo = 0; largo < bytes.size(); ++largo) {
        EscribeBytes(ruta, bytes.substr(0, largo));
        EsperaRechazo(kClave, ruta, "cut to " + std::to_string(largo) + " bytes");
    }
    EscribeBytes(ruta, bytes + "x");
    EsperaRechazo(kClave, ruta, "one byte added");
}

TEST(CodificadorArchivo, ForeignMissingAndOversizedFilesAreRefused) {
    CarpetaTemporal carpeta;
    const std::string ruta = carpeta.En("c.ZEVcos");
    ASSERT_TRUE(Codificador::GuardaArchivo(kClave, Lanzamiento(), ruta, true));
    EsperaRechazo("Otra empresa", ruta, "another key");
    EsperaRechazo("dransk", ruta, "key in another case");
    EsperaRechazo(kClave, carpeta.En("missing.ZEVcos"), "missing file");
    EsperaRechazo(kClave, carpeta.Texto(), "a folder");
    EscribeBytes(carpeta.En("big"), LeeBytes(ruta) + std::string(1024 * 1024, 'x'));
    EsperaRechazo(kClave, carpeta.En("big"), "over 1 MB");
    EscribeBytes(carpeta.En("text"), "N1/0T3/abcN1/1N3/294");
    EsperaRechazo(kClave, carpeta.En("text"), "plain array text");
}

TEST(CodificadorCifra, IsTheDocumentedKeyedHash) {
    // HMAC-SHA256 under HKDF-SHA256("velqor:" + key, "Velqor.salt.v1..", "Velqor password hash"),
    // computed independently; stored passwords depend on it never changing.
    EXPECT_EQ(Codificador::Cifra(kClave, "SECRET"),
              "A688FDFCD3E106E456024E3D7C67D9FEBE510EF9505328DBAA971CB46F6861A2");
    EXPECT_EQ(Codificador::Cifra(kClave, "CONTRASEÑA"),
              "2B83CABA74E9376BC4274B945EE782B3715D55983EDF54CB0244A1AF9545FD86");
}

TEST(CodificadorCifra, DependsOnEveryInput) {
    const std::string a = Codificador::Cifra(kClave, "SECRET");
    EXPECT_EQ(a, Codificador::Cifra(kClave, "SECRET"));
    EXPECT_NE(a, Codificador::Cifra(kClave, "secret"));
    EXPECT_NE(a, Codificador::Cifra("Otra", "SECRET"));
    EXPECT_NE(a, Codificador::Cifra(kClave, "SECRET "));
    EXPECT_EQ(Codificador::Cifra(kClave, "").size(), 64U);
    EXPECT_EQ(a.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    // Safe to embed in a quoted statement.
    EXPECT_EQ(a.find('\''), std::string::npos);
}

TEST(CodificadorOculta, CloudMarkerRevealsDatabaseWin) {
    const std::string oculta = Codificador::MarcaNubeOculta();
    EXPECT_EQ(oculta.size(), 12U);
    EXPECT_EQ(oculta.find("database"), std::string::npos);
    EXPECT_EQ(Codificador::Descifra(kClave, oculta), "database.win");
    EXPECT_NE(Codificador::Descifra("Otra", oculta), "database.win");
}

TEST(CodificadorOculta, IsAByteForByteMaskThatUndoesItself) {
    for (const std::string texto :
         {"", "a", "database.win", "ñ€ and a longer text than one block"}) {
        const std::string oculto = Codificador::Oculta(kClave, texto);
        EXPECT_EQ(oculto.size(), texto.size());
        if (!texto.empty()) {
            EXPECT_NE(oculto, texto);
        }
        EXPECT_EQ(Codificador::Descifra(kClave, oculto), texto);
    }
}

TEST(CodificadorClave, RoundTripsAndIsFreshEachTime) {
    for (const std::string clave : {"", "p", "pa;ss{}= wörd"}) {
        const std::string a = Codificador::CifraClave(kClave, clave);
        const std::string b = Codificador::CifraClave(kClave, clave);
        ASSERT_EQ(a.rfind("enc:", 0), 0U);
        EXPECT_NE(a, b);
        std::string leida = "x";
        ASSERT_TRUE(Codificador::DescifraClave(kClave, a, leida));
        EXPECT_EQ(leida, clave);
    }
}

TEST(CodificadorClave, RefusesDamagedForeignAndClearTexts) {
    const std::string buena = Codificador::CifraClave(kClave, "secreto");
    std::string alterada = buena;
    alterada[10] = alterada[10] == 'A' ? 'B' : 'A';
    const struct {
        std::string clave, texto, motivo;
    } casos[] = {
        {"Otra", buena, "another key"},
        {kClave, alterada, "one Base64 character changed"},
        {kClave, buena.substr(0, buena.size() - 4), "cut short"},
        {kClave, "secreto", "clear text"},
        {kClave, "enc:", "nothing after the prefix"},
        {kClave, "enc:!!!!", "not Base64"},
        {kClave, "enc:" + buena.substr(4) + "\n", "a line end"},
        {kClave, "ENC:" + buena.substr(4), "prefix in another case"},
    };
    for (const auto& c : casos) {
        std::string leida = "sin tocar";
        EXPECT_FALSE(Codificador::DescifraClave(c.clave, c.texto, leida)) << c.motivo;
        EXPECT_EQ(leida, "sin tocar") << c.motivo;
    }
}

}  // namespace
}  // namespace velqor

// ---- The installation's key ----

namespace velqor {
namespace {

using prueba::LlavesPrueba;
using Lectura = Codificador::Lectura;

TEST(CodificadorLlave, WhatIsWrittenOnceAKeyExistsIsReadHereOnly) {
    CarpetaTemporal carpeta;
    const std::string compartido = carpeta.En("compartido.ZEVcos");
    const std::string ruta = carpeta.En("propio.ZEVcos");
    std::string claveCompartida;
    std::string claveOtra;
    std::string rutaOtra = carpeta.En("otra.ZEVcos");
    {
        const LlavesPrueba otra;
        ASSERT_TRUE(otra.CreaLlave());
        claveOtra = Codificador::CifraClave(kClave, "de otra");
        ASSERT_TRUE(Codificador::GuardaArchivo(kClave, Lanzamiento(), rutaOtra, true));
    }
    const LlavesPrueba aqui;
    // Before the key: the key every copy shares, read as the normal case.
    claveCompartida = Codificador::CifraClave(kClave, "compartida");
    ASSERT_TRUE(Codificador::GuardaArchivo(kClave, Lanzamiento(), compartido, true));
    Lista valores;
    std::string contrasena;
    EXPECT_EQ(Codificador::LeeArchivoConLlave(kClave, compartido, valores), Lectura::Leido);
    EXPECT_EQ(Codificador::DescifraClaveConLlave(kClave, claveCompartida, contrasena),
              Lectura::Leido);

    ASSERT_TRUE(aqui.CreaLlave());
    const std::string propia = Codificador::CifraClave(kClave, "propia");
    ASSERT_TRUE(Codificador::GuardaArchivo(kClave, Lanzamiento(), ruta, true));
    const struct {
        std::string archivo, clave;
        Lectura lectura;
    } casos[] = {
        {ruta, propia, Lectura::Leido},
        {compartido, claveCompartida, Lectura::LlaveCompartida},
        {rutaOtra, claveOtra, Lectura::OtraInstalacion},
    };
    for (const auto& c : casos) {
        valores.clear();
        EXPECT_EQ(Codificador::LeeArchivoConLlave(kClave, c.archivo, valores), c.lectura)
            << c.archivo;
        EXPECT_EQ(Codificador::Abre(c.lectura), !valores.empty()) << c.archivo;
        EXPECT_EQ(Codificador::DescifraClaveConLlave(kClave, c.clave, contrasena), c.lectura);
        // The plain readers of the component's contract open both of this installation's kinds.
        EXPECT_EQ(Codificador::LeeArchivo(kClave, c.archivo, valores, true),
                  Codificador::Abre(c.lectura));
    }
    EXPECT_NE(
        Codificador::Motivo(Lectura::OtraInstalacion).find("written for another installation"),
        std::string::npos);
    EXPECT_NE(
        Codificador::AvisoLlaveCompartida(compartido).find("velqor-config rekey " + compartido),
        std::string::npos);
    // The key is nowhere in what was written, and the application's password hash is the same on
    // every installation (it must match the user table).
    EXPECT_EQ(LeeBytes(ruta).find(LeeBytes(LlaveInstalacion::RutaUsuario())), std::string::npos);
    EXPECT_EQ(Codificador::Cifra(kClave, "X"), Codificador::Cifra(kClave, "X"));
}

TEST(CodificadorLlave, ADamagedKeyStopsWritingInsteadOfFallingBackToTheSharedKey) {
    const LlavesPrueba llaves;
    CarpetaTemporal carpeta;
    std::filesystem::create_directories(llaves.Config() + "/velqor");
    EscribeBytes(LlaveInstalacion::RutaUsuario(), "short");
    EXPECT_EQ(Codificador::CifraClave(kClave, "p"), "");
    EXPECT_FALSE(Codificador::GuardaArchivo(kClave, Lanzamiento(), carpeta.En("x.ZEVcos"), true));
    EXPECT_FALSE(std::filesystem::exists(carpeta.En("x.ZEVcos")));
}

TEST(CodificadorLlave, AKeyIsMadeOwnerOnlyAndNeverReplaced) {
    const LlavesPrueba llaves;
    ASSERT_TRUE(llaves.CreaLlave());
    const std::string ruta = LlaveInstalacion::RutaUsuario();
    EXPECT_EQ(ruta, llaves.Config() + "/velqor/key");
    EXPECT_EQ(Permisos(ruta), 0600u);
    EXPECT_EQ(Permisos(llaves.Config() + "/velqor"), 0700u);
    const std::string antes = LeeBytes(ruta);
    EXPECT_EQ(antes.size(), LlaveInstalacion::kLargo);
    std::string error;
    EXPECT_FALSE(LlaveInstalacion::Crea(ruta, true, std::nullopt, error));
    EXPECT_NE(error.find("never replaced"), std::string::npos) << error;
    EXPECT_EQ(LeeBytes(ruta), antes);
    // The system's key, readable by a group.
    const std::string sistema = LlaveInstalacion::RutaSistema();
    ASSERT_TRUE(LlaveInstalacion::Crea(sistema, false, std::string("root"), error)) << error;
    EXPECT_EQ(Permisos(sistema), 0640u);
    std::vector<std::string> encontradas;
    ASSERT_TRUE(LlaveInstalacion::Llaves(encontradas, error));
    ASSERT_EQ(encontradas.size(), 2u);
    EXPECT_EQ(encontradas[0], antes);
    EXPECT_NE(encontradas[1], antes);
}

}  // namespace
}  // namespace velqor
