// Every input kept for a fuzz target (its corpus and the crashing inputs it once found) goes
// through the target's entry point again: none may break a promise or crash.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Objetivos.h"

namespace velqor::fuzz {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> Entradas(const std::string& objetivo) {
    std::vector<fs::path> archivos;
    for (const char* grupo : {"corpus", "regressions"}) {
        const fs::path carpeta = fs::path(VELQOR_FUZZ_DIR) / grupo / objetivo;
        if (!fs::is_directory(carpeta)) continue;
        for (const auto& entrada : fs::directory_iterator(carpeta)) {
            if (entrada.is_regular_file()) archivos.push_back(entrada.path());
        }
    }
    return archivos;
}

std::string Bytes(const fs::path& ruta) {
    std::ifstream archivo(ruta, std::ios::binary);
    return {std::istreambuf_iterator<char>(archivo), std::istreambuf_iterator<char>()};
}

class RepeticionCorpusTest : public ::testing::TestWithParam<Objetivo> {};

TEST_P(RepeticionCorpusTest, EveryKeptInputKeepsThePromises) {
    const std::vector<fs::path> archivos = Entradas(GetParam().nombre);
    ASSERT_FALSE(archivos.empty()) << "no corpus for " << GetParam().nombre;
    for (const fs::path& ruta : archivos) {
        const std::string bytes = Bytes(ruta);
        try {
            GetParam().entrada(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        } catch (const std::exception& e) {
            ADD_FAILURE() << ruta << ": " << e.what();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Objetivos, RepeticionCorpusTest, ::testing::ValuesIn(kObjetivos),
                         [](const auto& info) { return std::string(info.param.nombre); });

}  // namespace
}  // namespace velqor::fuzz
