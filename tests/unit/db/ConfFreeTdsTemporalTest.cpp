// The private FreeTDS settings file: owner-only, named after its process, gone when its owner goes,
// when a signal ends the process, and, for a process that died without a chance, at the next start.

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "CarpetaTemporal.h"
#include "common/ErrorEjecucion.h"
#include "db/ConfFreeTdsTemporal.h"

namespace velqor::db {
namespace {

namespace fs = std::filesystem;
using prueba::CarpetaTemporal;
using prueba::EscribeBytes;
using prueba::LeeBytes;

// Points the temporary folder at a fresh one for the test, and back afterwards.
class ConfFreeTdsTemporalTest : public ::testing::Test {
  protected:
    ConfFreeTdsTemporalTest() {
        if (const char* v = ::getenv("TMPDIR")) anterior_ = v;
        ::setenv("TMPDIR", temporal_.Texto().c_str(), 1);
    }
    ~ConfFreeTdsTemporalTest() override {
        if (anterior_.empty()) {
            ::unsetenv("TMPDIR");
        } else {
            ::setenv("TMPDIR", anterior_.c_str(), 1);
        }
    }
    std::string Carpeta() const { return temporal_.En("velqor-" + std::to_string(::geteuid())); }

    CarpetaTemporal temporal_;
    std::string anterior_;
};

unsigned Modo(const std::string& ruta) {
    struct stat st {};
    return ::lstat(ruta.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST_F(ConfFreeTdsTemporalTest, PrivateWhileItLivesAndGoneAfter) {
    ::setenv("FREETDSCONF", "/etc/antes.conf", 1);
    std::string ruta;
    {
        const ConfFreeTdsTemporal conf("[velqor]\n\thost = db\n");
        ruta = conf.Ruta();
        EXPECT_EQ(fs::path(ruta).parent_path().string(), Carpeta());
        EXPECT_EQ(fs::path(ruta).filename().string().rfind(
                      "freetds-" + std::to_string(::getpid()) + "-", 0),
                  0u)
            << ruta;
        EXPECT_EQ(Modo(Carpeta()), 0700u);
        EXPECT_EQ(Modo(ruta), 0600u);
        EXPECT_EQ(LeeBytes(ruta), "[velqor]\n\thost = db\n");
        EXPECT_EQ(std::string(::getenv("FREETDSCONF")), ruta);
    }
    EXPECT_FALSE(fs::exists(ruta));
    EXPECT_EQ(std::string(::getenv("FREETDSCONF")), "/etc/antes.conf");
    ::unsetenv("FREETDSCONF");
    const ConfFreeTdsTemporal nada("");
    EXPECT_EQ(nada.Ruta(), "");
}

TEST_F(ConfFreeTdsTemporalTest, LeftoversOfProcessesThatNoLongerRunAreRemoved) {
    const pid_t muerto = ::fork();
    if (muerto == 0) ::_exit(0);
    ::waitpid(muerto, nullptr, 0);
    fs::create_directories(Carpeta());
    fs::permissions(Carpeta(), fs::perms::owner_all, fs::perm_options::replace);
    const std::string huerfano = Carpeta() + "/freetds-" + std::to_string(muerto) + "-0.conf";
    const std::string vivo = Carpeta() + "/freetds-" + std::to_string(::getppid()) + "-0.conf";
    const std::string ajeno = Carpeta() + "/notas.txt";
    for (const std::string& r : {huerfano, vivo, ajeno}) EscribeBytes(r, "x");
    const ConfFreeTdsTemporal conf("[velqor]\n");
    EXPECT_FALSE(fs::exists(huerfano));
    EXPECT_TRUE(fs::exists(vivo));
    EXPECT_TRUE(fs::exists(ajeno));
}

TEST_F(ConfFreeTdsTemporalTest, ASignalThatEndsTheProcessRemovesTheFile) {
    for (const int senal : {SIGINT, SIGTERM, SIGHUP}) {
        int tubo[2];
        ASSERT_EQ(::pipe(tubo), 0);
        const pid_t hijo = ::fork();
        if (hijo == 0) {
            ::close(tubo[0]);
            const ConfFreeTdsTemporal conf("[velqor]\n");
            const std::string linea = conf.Ruta() + "\n";
            (void)!::write(tubo[1], linea.data(), linea.size());
            ::pause();
            ::_exit(3);
        }
        ::close(tubo[1]);
        std::string ruta;
        char c = 0;
        while (::read(tubo[0], &c, 1) == 1 && c != '\n') ruta.push_back(c);
        ::close(tubo[0]);
        ASSERT_TRUE(fs::exists(ruta)) << ruta;
        ::kill(hijo, senal);
        int estado = 0;
        ASSERT_EQ(::waitpid(hijo, &estado, 0), hijo);
        EXPECT_TRUE(WIFSIGNALED(estado) && WTERMSIG(estado) == senal) << senal;
        EXPECT_FALSE(fs::exists(ruta)) << "left behind by signal " << senal;
    }
}

TEST_F(ConfFreeTdsTemporalTest, AFolderOthersMayEnterIsRefused) {
    fs::create_directories(Carpeta());
    fs::permissions(Carpeta(), fs::perms::all, fs::perm_options::replace);
    try {
        const ConfFreeTdsTemporal conf("[velqor]\n");
        ADD_FAILURE() << "written into " << conf.Ruta();
    } catch (const ErrorEjecucion& e) {
        EXPECT_NE(e.Descripcion().find("only this user may enter"), std::string::npos)
            << e.Descripcion();
    }
}

}  // namespace
}  // namespace velqor::db
