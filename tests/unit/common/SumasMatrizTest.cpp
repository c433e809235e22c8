#include "common/SumasMatriz.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

namespace velqor::zev {
namespace {

// The sums by their definition, one character after another: the codes, and the absolute steps
// from each character to the next starting from the last one taken before. Stops at the first
// byte that is not ASCII, as AgregaAscii does.
std::size_t SumaUnoAUno(const std::string& bytes, std::size_t desde, Recorrido& recorrido) {
    std::size_t k = desde;
    for (; k < bytes.size() && static_cast<unsigned char>(bytes[k]) < 0x80; ++k) {
        recorrido.Agrega(static_cast<unsigned char>(bytes[k]));
    }
    return k;
}

// Runs of every length up to past several words, after every kind of previous character (none,
// ASCII below and above the run's codes, codes above 127 that a non-ASCII character leaves), with
// a byte that is not ASCII placed at every position of some of them.
TEST(AgregaAscii, DaLasSumasDeSuDefinicion) {
    std::mt19937 azar(20261210);
    for (const int previo : {0, 1, int{'a'}, 127, 0x80, 0xE9, 0xFF}) {
        for (std::size_t largo = 0; largo <= 80; ++largo) {
            std::string bytes(largo, ' ');
            for (char& c : bytes) {
                c = static_cast<char>(azar() % 128);
            }
            for (std::size_t alto = 0; alto <= largo; alto += largo == 0 ? 1 : 1 + largo / 7) {
                std::string texto = bytes;
                if (alto < largo) {
                    texto[alto] = static_cast<char>(0x80 + azar() % 128);
                }
                for (const std::size_t desde : {std::size_t{0}, std::size_t{1}}) {
                    if (desde > texto.size()) {
                        continue;
                    }
                    Recorrido esperado(previo);
                    esperado.sumas = {1000, 2000};  // sums taken before are kept and added to
                    Recorrido obtenido = esperado;
                    const std::size_t fin = SumaUnoAUno(texto, desde, esperado);
                    const auto* datos = reinterpret_cast<const unsigned char*>(texto.data());
                    ASSERT_EQ(AgregaAscii(datos, desde, texto.size(), obtenido), fin)
                        << "previous " << previo << ", length " << largo << ", high byte at "
                        << alto;
                    EXPECT_EQ(obtenido.sumas.codigos, esperado.sumas.codigos)
                        << previo << "/" << largo;
                    EXPECT_EQ(obtenido.sumas.saltos, esperado.sumas.saltos)
                        << previo << "/" << largo;
                    EXPECT_EQ(obtenido.ultimo, esperado.ultimo) << previo << "/" << largo;
                }
            }
        }
    }
}

// A stretch that ends before the text does: nothing past it is taken.
TEST(AgregaAscii, NoPasaDelFinDelTramo) {
    const std::string texto(100, 'z');
    Recorrido recorrido('a');
    const auto* datos = reinterpret_cast<const unsigned char*>(texto.data());
    EXPECT_EQ(AgregaAscii(datos, 3, 40, recorrido), 40u);
    EXPECT_EQ(recorrido.sumas.codigos, 37 * 'z');
    EXPECT_EQ(recorrido.sumas.saltos, 'z' - 'a');
    EXPECT_EQ(recorrido.ultimo, 'z');
}

}  // namespace
}  // namespace velqor::zev
