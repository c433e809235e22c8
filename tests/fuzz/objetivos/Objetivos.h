#pragma once
// The fuzz targets' entry points: plain functions that feed one input to one reader and check what
// it promises. The libFuzzer programs (tests/fuzz) and the corpus replay test
// (tests/unit/fuzzreplay) both call them. Each answers 0; a broken promise throws Incumplimiento
// (an unexpected exception from the code under test is let through), which libFuzzer records as a
// crash.

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace velqor::fuzz {

// A promise of the code under test that an input broke.
class Incumplimiento : public std::logic_error {
  public:
    explicit Incumplimiento(const std::string& que) : std::logic_error(que) {}
};

// Throws Incumplimiento(que) when condicion is false.
void Exige(bool condicion, const char* que);

// The array text reader; when it accepts the text, what it read must write back and read back
// the same (numbers to the digits the writer keeps).
int FuzzTextoAMatriz(const uint8_t* datos, size_t largo);

// The density history's reader: it accepts exactly the array texts the general reader accepts
// that hold a history, refusing the others as damaged or as something else as the general reader
// tells them apart; what it reads writes back as the general writer writes it, and reads back.
int FuzzTextoHistorial(const uint8_t* datos, size_t largo);

// The density history journal's reader: every line is read or counted as skipped (a torn last
// line is skipped), what it reads writes back and reads back the same, and a journal cut anywhere
// keeps every record before the cut.
int FuzzDiarioHistorial(const uint8_t* datos, size_t largo);

// The ".cfp" reader, on the input written as a definition file; a definition that loads must give
// a connection string whose attributes read back as the definition's own server and database.
int FuzzPerfilConexion(const uint8_t* datos, size_t largo);

// The launch configuration reader, twice: on the input as a file, and on the input as the
// plaintext of a correctly sealed file. A refused file leaves the list untouched; an accepted one
// writes back and reads back the same.
int FuzzLeeArchivo(const uint8_t* datos, size_t largo);

// sqlsim's statement parser: a batch either parses or gives errors, never both.
int FuzzAnalizaLote(const uint8_t* datos, size_t largo);

struct Objetivo {
    // Also the name of its corpus folders and of its fuzz program (fuzz_<nombre>).
    const char* nombre;
    int (*entrada)(const uint8_t*, size_t);
};

inline constexpr std::array<Objetivo, 6> kObjetivos = {{
    {"TextoAMatriz", FuzzTextoAMatriz},
    {"TextoHistorial", FuzzTextoHistorial},
    {"DiarioHistorial", FuzzDiarioHistorial},
    {"PerfilConexion", FuzzPerfilConexion},
    {"LeeArchivo", FuzzLeeArchivo},
    {"AnalizaLote", FuzzAnalizaLote},
}};

}  // namespace velqor::fuzz
