#include "cli/Comando.h"

#include <exception>

#include "common/General.h"
#include "common/Texto1252.h"

namespace velqor::cli {

int Comando::Ejecuta(const std::vector<std::string>& palabras, Consola& consola) const {
    try {
        std::vector<Opcion> opciones = Opciones();
        opciones.push_back({"help", false});
        Argumentos argumentos;
        std::string error;
        // -h is --help, as in the tools administrators use every day (before a "--" only).
        std::vector<std::string> normalizadas = palabras;
        for (std::string& p : normalizadas) {
            if (p == "--") break;
            if (p == "-h") p = "--help";
        }
        if (!argumentos.Analiza(opciones, normalizadas, error)) return MalUso(consola, error);
        if (argumentos.Tiene("help")) {
            consola.salida << Ayuda();
            return kExito;
        }
        return Corre(argumentos, consola);
    } catch (const std::exception& e) {
        return Falla(consola, e.what());
    }
}

int Comando::Falla(Consola& consola, const std::string& mensaje) const {
    consola.error << "velqor-config " << Nombre() << ": " << mensaje << '\n';
    return kFallo;
}

int Comando::MalUso(Consola& consola, const std::string& mensaje) const {
    consola.error << "velqor-config " << Nombre() << ": " << mensaje << '\n'
                  << "Try 'velqor-config " << Nombre() << " --help'.\n";
    return kMalUso;
}

bool Comando::ExigePosicionales(const Argumentos& argumentos, size_t cuantos,
                                const std::string& que, Consola& consola, int& codigo) const {
    if (argumentos.Posicionales().size() == cuantos) return true;
    codigo =
        MalUso(consola, argumentos.Posicionales().size() < cuantos
                            ? "missing " + que
                            : "unexpected argument '" + argumentos.Posicionales()[cuantos] + "'");
    return false;
}

bool Comando::ExigeValor(const Argumentos& argumentos, const std::string& nombre,
                         std::string& valor, Consola& consola, int& codigo) const {
    auto dado = argumentos.Valor(nombre);
    if (!dado) {
        codigo = MalUso(consola, "option --" + nombre + " is required");
        return false;
    }
    if (EnBlanco(*dado)) {
        codigo = MalUso(consola, "option --" + nombre + " must not be blank");
        return false;
    }
    valor = *dado;
    return true;
}

}  // namespace velqor::cli
