// The model of FreeTDS's settings reader, against what its source (src/tds/config.c of 1.3.17)
// does with the texts that made it drop the certificate check, and the values it cannot hold.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "components/LecturaFreeTds.h"

namespace velqor {
namespace {

using Opciones = std::map<std::string, std::string>;

TEST(LecturaFreeTds, ReadsASectionAsFreeTdsDoes) {
    const struct {
        const char* nombre;
        std::string texto;
        Opciones esperadas;
    } casos[] = {
        {"plain",
         "[velqor]\n\thost = db\n\tca file = /srv/ca.pem\n",
         {{"host", "db"}, {"ca file", "/srv/ca.pem"}}},
        {"option names lower-cased, blanks collapsed",
         "[VELQOR]\n  CA   File\t=  a \t b  \n",
         {{"ca file", "a b"}}},
        {"a value that begins with # is empty",
         "[velqor]\n\tca file = #ca.pem\n",
         {{"ca file", ""}}},
        {"a ; ends the value", "[velqor]\n\tca file = /a;b.pem\n", {{"ca file", "/a"}}},
        {"comment lines and other sections",
         "# x\n[otra]\nhost = o\n[velqor]\n; host = c\nhost = v\n",
         {{"host", "v"}}},
        {"a later line wins", "[velqor]\nhost = a\nhost = b\n", {{"host", "b"}}},
        // A line past 255 bytes goes on as a line of its own: here a section that takes the CA
        // file and the host-name check away from [velqor].
        {"a long line spills into a new section",
         "[velqor]\n\thost = " + std::string(255 - 8, 'a') + "[x]\n\tca file = /ca.pem\n",
         {{"host", std::string(255 - 8, 'a')}}},
        {"no such section", "[otra]\nhost = o\n", {}},
    };
    for (const auto& c : casos) {
        EXPECT_EQ(LecturaFreeTds::Seccion(c.texto, "velqor"), c.esperadas) << c.nombre;
    }
}

TEST(LecturaFreeTds, ValuesItCannotHoldAreNamedWithTheReason) {
    const struct {
        std::string valor;
        const char* motivo;  // empty: it can be written
    } casos[] = {
        {"/etc/velqor/ca.pem", ""},
        {"/a b/ca.pem", ""},
        {"#ca.pem", "\"#\" or \";\""},
        {";ca.pem", "\"#\" or \";\""},
        {"/a#b.pem", "\"#\" or \";\""},
        {"/a\nb", "line end"},
        {"/a\tb", "blanks"},
        {"/a  b", "blanks"},
        {" /a", "blanks"},
        {"/" + std::string(242, 'c'), ""},  // the tab, "ca file = ", 243 bytes and the line end
        {"/" + std::string(243, 'c'), "longer than the 243 bytes"},
    };
    for (const auto& c : casos) {
        const std::string motivo = LecturaFreeTds::PorQueNoCabe("ca file", c.valor);
        if (*c.motivo == '\0') {
            EXPECT_EQ(motivo, "") << c.valor;
            // What can be written reads back unchanged.
            EXPECT_EQ(
                LecturaFreeTds::Seccion("[s]\n" + LecturaFreeTds::Linea("ca file", c.valor), "s")
                    .at("ca file"),
                c.valor);
        } else {
            EXPECT_NE(motivo.find(c.motivo), std::string::npos) << c.valor << ": " << motivo;
        }
    }
}

}  // namespace
}  // namespace velqor
