#include "ClientesTds.h"

#include <cstdio>
#include <stdexcept>

#include "CarpetaTemporal.h"

namespace velqor::prueba {
namespace {

std::string EntreComillasShell(const std::string& s) {
    std::string r = "'";
    for (char c : s) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
}

}  // namespace

bool Contiene(const std::string& texto, const std::string& parte) {
    return texto.find(parte) != std::string::npos;
}

std::string EjecutaComando(const std::string& comando, const std::string& entrada) {
    CarpetaTemporal carpeta;
    const std::string archivo = carpeta.En("entrada.txt");
    EscribeBytes(archivo, entrada);
    FILE* p = ::popen((comando + " < " + EntreComillasShell(archivo) + " 2>&1").c_str(), "r");
    if (!p) throw std::runtime_error("popen failed: " + comando);
    std::string salida;
    char b[4096];
    for (size_t n; (n = std::fread(b, 1, sizeof b, p)) > 0;) salida.append(b, n);
    ::pclose(p);
    return salida;
}

std::string Tsql(uint16_t puerto, const std::string& usuario, const std::string& clave,
                 const std::string& base, const std::vector<std::string>& sentencias,
                 const std::string& version) {
    std::string entrada;
    for (const std::string& s : sentencias) entrada += s + "\ngo\n";
    entrada += "exit\n";
    std::string comando = "TDSVER=" + version + " timeout 30 tsql -H 127.0.0.1 -p " +
                          std::to_string(puerto) + " -U " + EntreComillasShell(usuario) + " -P " +
                          EntreComillasShell(clave);
    if (!base.empty()) comando += " -D " + EntreComillasShell(base);
    return EjecutaComando(comando, entrada);
}

std::string Isql(const std::string& cadena, const std::vector<std::string>& sentencias,
                 bool directo) {
    std::string entrada;
    for (const std::string& s : sentencias) entrada += s + "\n";
    return EjecutaComando(
        "timeout 30 isql -k " + EntreComillasShell(cadena) + " -b -v" + (directo ? " -e" : ""),
        entrada);
}

}  // namespace velqor::prueba
