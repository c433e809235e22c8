#include "Escenario.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "Aleatorio.h"
#include "NombreObjeto.h"
#include "Utf16.h"

namespace velqor::sqlsim {
namespace {

using json = nlohmann::json;

[[noreturn]] void Falla(const std::string& donde, const std::string& que) {
    throw std::runtime_error("scenario: " + donde + ": " + que);
}

template <typename T>
T Lee(const json& j, const char* clave, T porDefecto, const std::string& donde) {
    if (!j.contains(clave)) return porDefecto;
    try {
        return j.at(clave).get<T>();
    } catch (const json::exception&) {
        Falla(donde + "." + clave, "wrong type");
    }
}

// The schema_id of a schema, adding it to the database when it is new.
int32_t EsquemaId(BaseEsc& base, const std::string& esquema) {
    for (size_t k = 0; k < base.esquemas.size(); ++k) {
        if (Mayus(base.esquemas[k]) == Mayus(esquema)) return static_cast<int32_t>(k + 1);
    }
    base.esquemas.push_back(esquema);
    return static_cast<int32_t>(base.esquemas.size());
}

void AgregaTabla(BaseEsc& base, std::string nombre, int32_t objectId, std::string esquema = "dbo") {
    TablaEsc t;
    t.nombre = std::move(nombre);
    t.esquemaId = EsquemaId(base, esquema);
    t.esquema = base.esquemas[static_cast<size_t>(t.esquemaId - 1)];
    t.objectId = objectId;
    t.nombreU16 = AUtf16(t.nombre);
    if (!base.tablaPorNombre.emplace(ClaveTabla(t.esquema, t.nombre), base.tablas.size()).second) {
        Falla("database " + base.nombre, "table " + t.esquema + "." + t.nombre + " given twice");
    }
    base.tablas.push_back(std::move(t));
}

void AgregaIndice(BaseEsc& base, IndiceEsc i) {
    i.tabla = base.tablas.size() - 1;
    i.nombreU16 = AUtf16(i.nombre);
    base.tablas.back().indices.push_back(base.indices.size());
    base.indices.push_back(std::move(i));
}

struct Rango {
    int32_t min, max;
};

// "pages": P, or {"min": a, "max": b} spread evenly over the logarithm.
Rango RangoPaginas(const json& g, const std::string& donde) {
    if (!g.contains("pages") || g.at("pages").is_number()) {
        const auto p = Lee<int32_t>(g, "pages", 100, donde);
        if (p < 1) Falla(donde + ".pages", "at least 1");
        return {p, p};
    }
    const json& jp = g.at("pages");
    const Rango r{Lee<int32_t>(jp, "min", 1, donde + ".pages"),
                  Lee<int32_t>(jp, "max", 1, donde + ".pages")};
    if (r.min < 1 || r.max < r.min) Falla(donde + ".pages", "1 <= min <= max");
    return r;
}

// How a generated index draws its scan density: "density": D, {"min": a, "max": b} (uniform), or
// "fragmentation": {"median": m, "max": c} (exponential, capped; density is 100 minus it).
std::function<double(Aleatorio&)> Densidades(const json& g, const std::string& donde) {
    if (g.contains("fragmentation")) {
        if (g.contains("density")) Falla(donde, "density or fragmentation, not both");
        const std::string df = donde + ".fragmentation";
        const json& jf = g.at("fragmentation");
        const auto mediana = Lee<double>(jf, "median", 5.0, df);
        const auto tope = Lee<double>(jf, "max", 80.0, df);
        if (!(mediana > 0.0) || tope < 0.0 || tope > 100.0) {
            Falla(df, "median above 0, max from 0 to 100");
        }
        return [=](Aleatorio& a) { return 100.0 - a.Exponencial(mediana, tope); };
    }
    double minimo = 100.0, maximo = 100.0;
    if (g.contains("density") && g.at("density").is_number()) {
        minimo = maximo = g.at("density").get<double>();
    } else if (g.contains("density")) {
        minimo = Lee<double>(g.at("density"), "min", 0.0, donde + ".density");
        maximo = Lee<double>(g.at("density"), "max", 100.0, donde + ".density");
    }
    return [=](Aleatorio& a) { return a.Entre(minimo, maximo); };
}

void CargaTablas(const json& jb, BaseEsc& base, const std::string& donde) {
    int32_t siguienteId = 1'000'000 * base.dbId;
    for (const json& jt : jb.value("tables", json::array())) {
        const std::string dt = donde + ".tables";
        const auto nombre = Lee<std::string>(jt, "name", "", dt);
        if (nombre.empty()) Falla(dt, "a table needs a name");
        const auto esquema = Lee<std::string>(jt, "schema", "dbo", dt + "." + nombre);
        if (esquema.empty()) Falla(dt + "." + nombre + ".schema", "a schema needs a name");
        AgregaTabla(base, nombre, Lee<int32_t>(jt, "objectId", ++siguienteId, dt), esquema);
        for (const json& ji : jt.value("indexes", json::array())) {
            IndiceEsc i;
            i.id = Lee<int32_t>(ji, "id", 1, dt + "." + nombre);
            i.nombre = Lee<std::string>(ji, "name", "", dt + "." + nombre);
            i.densidad = Lee<double>(ji, "density", 100.0, dt + "." + nombre);
            i.paginas = Lee<int32_t>(ji, "pages", 100, dt + "." + nombre);
            if (i.id != 0 && i.nombre.empty())
                Falla(dt + "." + nombre, "an index other than the heap needs a name");
            AgregaIndice(base, std::move(i));
        }
    }
    if (!jb.contains("generate")) return;
    const json& g = jb.at("generate");
    const std::string dg = donde + ".generate";
    const int tablas = Lee<int>(g, "tables", 0, dg);
    const int porTabla = Lee<int>(g, "indexesPerTable", 1, dg);
    const bool montones = Lee<bool>(g, "heaps", false, dg);
    if (tablas < 0 || porTabla < 0) Falla(dg, "counts cannot be negative");
    const auto paginas = RangoPaginas(g, dg);
    const auto densidad = Densidades(g, dg);
    base.tablas.reserve(base.tablas.size() + static_cast<size_t>(tablas));
    base.indices.reserve(base.indices.size() +
                         static_cast<size_t>(tablas) * static_cast<size_t>(porTabla + 1));
    Aleatorio azar(Lee<uint64_t>(g, "seed", 1, dg));
    // Each index draws its density, then (for a range) its pages, so that a scenario without a
    // page range keeps the densities it always had.
    const auto indice = [&](std::string nombre, int32_t id) {
        IndiceEsc i{0, std::move(nombre), id, densidad(azar), paginas.min, ""};
        if (paginas.max > paginas.min)
            i.paginas = static_cast<int32_t>(azar.LogUniforme(paginas.min, paginas.max));
        AgregaIndice(base, std::move(i));
    };
    char texto[64];
    for (int t = 1; t <= tablas; ++t) {
        std::snprintf(texto, sizeof texto, "Tabla%05d", t);
        const std::string tabla = texto;
        AgregaTabla(base, tabla, ++siguienteId);
        if (montones) indice("", 0);
        for (int k = 1; k <= porTabla; ++k) {
            const bool agrupado = k == 1 && !montones;
            std::snprintf(texto, sizeof texto, "%s_%s_%03d", agrupado ? "PK" : "IX", tabla.c_str(),
                          k);
            indice(texto, montones ? k + 1 : k);
        }
    }
}

void CargaArchivos(const json& jb, BaseEsc& base, const std::string& donde) {
    if (!jb.contains("files")) {
        base.archivos.push_back(ArchivoEsc{base.nombre, false, 1, 64, 40});
        base.archivos.push_back(ArchivoEsc{base.nombre + "_log", true, 2, 32, 1});
        return;
    }
    int16_t id = 0;
    for (const json& ja : jb.at("files")) {
        ArchivoEsc a;
        a.nombre = Lee<std::string>(ja, "name", "", donde + ".files");
        const auto tipo = Lee<std::string>(ja, "type", "data", donde + ".files");
        if (tipo != "data" && tipo != "log")
            Falla(donde + ".files." + a.nombre, "type is data or log");
        a.log = tipo == "log";
        a.fileId = ++id;
        a.tamMB = Lee<int64_t>(ja, "sizeMB", 8, donde + ".files");
        a.usadoMB = Lee<int64_t>(ja, "usedMB", 1, donde + ".files");
        base.archivos.push_back(std::move(a));
    }
}

FalloEsc CargaFallo(const json& jf, const std::string& donde) {
    FalloEsc f;
    f.enLogin = Lee<std::string>(jf, "on", "statement", donde) == "login";
    f.patron = Lee<std::string>(jf, "match", "", donde);
    if (Lee<bool>(jf, "regex", false, donde)) {
        try {
            f.regex = std::regex(f.patron, std::regex::ECMAScript | std::regex::icase);
        } catch (const std::regex_error&) {
            Falla(donde + ".match", "not a valid regular expression");
        }
    }
    f.ocurrencia = Lee<int>(jf, "occurrence", 0, donde);
    f.ms = Lee<int>(jf, "ms", 0, donde);
    const auto accion = Lee<std::string>(jf, "action", jf.contains("error") ? "error" : "", donde);
    if (accion == "error") {
        f.accion = FalloEsc::Accion::Error;
        const json e = jf.value("error", json::object());
        f.error.numero = Lee<int32_t>(e, "number", 50000, donde + ".error");
        f.error.clase = static_cast<uint8_t>(Lee<int>(e, "class", 16, donde + ".error"));
        f.error.estado = static_cast<uint8_t>(Lee<int>(e, "state", 1, donde + ".error"));
        f.error.texto = Lee<std::string>(e, "text", "Injected fault.", donde + ".error");
    } else if (accion == "drop") {
        f.accion = FalloEsc::Accion::Cortar;
    } else if (accion == "delay") {
        f.accion = FalloEsc::Accion::Demorar;
    } else if (accion == "hang") {
        f.accion = FalloEsc::Accion::Colgar;
    } else {
        Falla(donde + ".action", "one of error, drop, delay, hang");
    }
    return f;
}

BloqueoEsc CargaBloqueo(const Escenario& esc, const json& jl, const std::string& donde) {
    BloqueoEsc b;
    const BaseEsc* base = esc.Base(Lee<std::string>(jl, "database", "", donde));
    if (!base) Falla(donde + ".database", "names no database of the scenario");
    b.base = static_cast<size_t>(base - esc.bases.data());
    const auto tabla = base->Tabla(PartesNombre(Lee<std::string>(jl, "table", "", donde)));
    if (!tabla) Falla(donde + ".table", "names no table of that database");
    b.tabla = *tabla;
    if (jl.contains("index")) {
        const auto nombre = Mayus(Lee<std::string>(jl, "index", "", donde));
        for (size_t i : base->tablas[*tabla].indices) {
            if (base->indices[i].id != 0 && Mayus(base->indices[i].nombre) == nombre) b.indice = i;
        }
        if (!b.indice) Falla(donde + ".index", "names no index of that table");
    }
    b.ms = Lee<int>(jl, "ms", -1, donde);
    if (b.ms < -1) Falla(donde + ".ms", "milliseconds, or -1 for the whole run");
    return b;
}

AnfitrionEsc CargaAnfitrion(const json& j) {
    AnfitrionEsc a;
    const auto plataforma = Lee<std::string>(j, "hostPlatform", "Windows", "top level");
    if (plataforma != "Windows" && plataforma != "Linux") Falla("hostPlatform", "Windows or Linux");
    a.esLinux = plataforma == "Linux";
    a.distribucion = Lee<std::string>(
        j, "hostDistribution", a.esLinux ? "Ubuntu" : "Windows Server 2019 Standard", "top level");
    a.version = Lee<std::string>(j, "hostRelease", a.esLinux ? "22.04" : "10.0", "top level");
    return a;
}

}  // namespace

std::string ClaveTabla(const std::string& esquema, const std::string& nombre) {
    return Mayus(esquema) + '\x1f' + Mayus(nombre);
}

std::string Mayus(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::optional<size_t> BaseEsc::Tabla(const std::optional<std::vector<std::string>>& partes) const {
    if (!partes) return std::nullopt;
    const auto resuelto = ResuelveNombre(*partes);
    if (!resuelto || !(resuelto->base.empty() || Mayus(resuelto->base) == Mayus(nombre))) {
        return std::nullopt;
    }
    const auto it = tablaPorNombre.find(ClaveTabla(resuelto->esquema, resuelto->objeto));
    if (it == tablaPorNombre.end()) return std::nullopt;
    return it->second;
}

const BaseEsc* Escenario::Base(const std::string& nombre) const {
    for (const BaseEsc& b : bases) {
        if (Mayus(b.nombre) == Mayus(nombre)) return &b;
    }
    return nullptr;
}

int Escenario::Duracion(const std::string& tipo) const {
    const auto it = duraciones.find(tipo);
    return it == duraciones.end() ? 0 : it->second;
}

int Escenario::Duracion(const std::string& tipo, int64_t paginas) const {
    const auto it = msPorMilPaginas.find(tipo);
    const int64_t variable =
        it == msPorMilPaginas.end() ? 0 : (int64_t{it->second} * paginas + 500) / 1000;
    return static_cast<int>(
        std::min<int64_t>(Duracion(tipo) + variable, std::numeric_limits<int>::max()));
}

Escenario CargaEscenario(const std::string& texto) {
    json j;
    try {
        j = json::parse(texto);
    } catch (const json::parse_error& e) {
        throw std::runtime_error(std::string("scenario: not valid JSON: ") + e.what());
    }
    if (!j.is_object()) Falla("top level", "an object is expected");
    Escenario esc;
    esc.version = Lee<int>(j, "version", 15, "top level");
    if (esc.version < 9 || esc.version > 16) Falla("version", "9 (2005) to 16 (2022)");
    esc.edicion = Lee<int>(j, "engineEdition", 3, "top level");
    if (esc.edicion < 1 || esc.edicion > 11) Falla("engineEdition", "1 to 11");
    // The cloud database service reports version 12 whatever engine runs it.
    if (esc.EsNube()) esc.version = 12;
    esc.servidor = Lee<std::string>(j, "serverName", "SQLSIM", "top level");
    for (const json& jl : j.value("logins", json::array())) {
        esc.logins[Lee<std::string>(jl, "user", "", "logins")] =
            Lee<std::string>(jl, "password", "", "logins");
    }
    int16_t dbId = 4;
    for (const json& jb : j.value("databases", json::array())) {
        BaseEsc base;
        base.nombre = Lee<std::string>(jb, "name", "", "databases");
        if (base.nombre.empty()) Falla("databases", "a database needs a name");
        const std::string donde = "databases." + base.nombre;
        base.dbId = ++dbId;
        base.esquemas = {"dbo", "guest", "INFORMATION_SCHEMA", "sys"};
        const auto modelo = Mayus(Lee<std::string>(jb, "recovery", "FULL", donde));
        if (modelo != "FULL" && modelo != "SIMPLE" && modelo != "BULK_LOGGED") {
            Falla(donde + ".recovery", "SIMPLE, FULL or BULK_LOGGED");
        }
        base.recuperacionSimple = modelo == "SIMPLE";
        base.modeloRecuperacion = modelo;
        base.respaldada = Lee<bool>(jb, "backedUp", false, donde);
        base.distingueMayusculas = Lee<bool>(jb, "caseSensitive", false, donde);
        base.densidadDefrag = Lee<double>(jb, "defragDensity", 95.0, donde);
        CargaArchivos(jb, base, donde);
        CargaTablas(jb, base, donde);
        if (jb.contains("UsuariosPW")) {
            std::vector<UsuarioEsc> usuarios;
            for (const json& ju : jb.at("UsuariosPW")) {
                usuarios.push_back(
                    UsuarioEsc{Lee<std::string>(ju, "Usuario_ID", "", donde + ".UsuariosPW"),
                               Lee<std::string>(ju, "Usuario_PW", "", donde + ".UsuariosPW"),
                               Lee<int32_t>(ju, "Usuario_cd", 0, donde + ".UsuariosPW")});
            }
            base.usuarios = std::move(usuarios);
        }
        esc.bases.push_back(std::move(base));
    }
    esc.baseInicial = Lee<std::string>(
        j, "defaultDatabase", esc.bases.empty() ? "master" : esc.bases[0].nombre, "top level");
    const json duraciones = j.value("durations", json::object());
    for (const auto& [tipo, ms] : duraciones.items()) {
        if (!ms.is_number_integer()) Falla("durations." + tipo, "milliseconds as a whole number");
        esc.duraciones[tipo] = ms.get<int>();
    }
    const json porPaginas = j.value("msPer1000Pages", json::object());
    for (const auto& [tipo, ms] : porPaginas.items()) {
        if (tipo != "dbreindex" && tipo != "alterindex" && tipo != "indexdefrag") {
            Falla("msPer1000Pages." + tipo, "one of dbreindex, alterindex, indexdefrag");
        }
        if (!ms.is_number_integer() || ms.get<int>() < 0) {
            Falla("msPer1000Pages." + tipo, "milliseconds as a whole number");
        }
        esc.msPorMilPaginas[tipo] = ms.get<int>();
    }
    int n = 0;
    for (const json& jl : j.value("locks", json::array())) {
        esc.bloqueos.push_back(CargaBloqueo(esc, jl, "locks[" + std::to_string(n++) + "]"));
    }
    esc.anfitrion = CargaAnfitrion(j);
    n = 0;
    for (const json& jf : j.value("faults", json::array())) {
        esc.fallos.push_back(CargaFallo(jf, "faults[" + std::to_string(n++) + "]"));
    }
    esc.cifrado = CargaCifrado(j);
    return esc;
}

}  // namespace velqor::sqlsim
