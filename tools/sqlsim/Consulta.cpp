#include "Consulta.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "NombreObjeto.h"

namespace velqor::sqlsim {
namespace {

using TE = Expresion::Tipo;
using TV = ValorSql::Tipo;

struct FalloEval {
    MensajeSql error;
};

struct Tabla {
    std::vector<Columna> columnas;
    std::vector<std::vector<ValorSql>> filas;
};

ValorSql Entero(int64_t v) { return ValorSql{TV::Entero, v, ""}; }
ValorSql Texto(std::string t) { return ValorSql{TV::Texto, 0, std::move(t)}; }
ValorSql Real(double r) { return ValorSql{TV::Real, 0, "", r}; }
ValorSql Fecha(std::chrono::system_clock::time_point t) {
    const std::time_t segundos = std::chrono::system_clock::to_time_t(t);
    std::tm partes{};
    gmtime_r(&segundos, &partes);
    char texto[24];
    std::strftime(texto, sizeof texto, "%Y-%m-%d %H:%M:%S", &partes);
    return ValorSql{TV::Fecha, 0, texto};
}

std::string ComoTexto(const ValorSql& v) {
    if (v.tipo == TV::Entero) return std::to_string(v.entero);
    if (v.tipo == TV::Real) {
        char texto[32];
        std::snprintf(texto, sizeof texto, "%.15g", v.real);
        return texto;
    }
    return v.texto;
}

std::string SinBlancosFinales(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

int64_t ComoEntero(const ValorSql& v) {
    if (v.tipo == TV::Entero) return v.entero;
    if (v.tipo == TV::Real) return static_cast<int64_t>(v.real);
    std::string t = SinBlancosFinales(v.texto);
    const size_t inicio = t.find_first_not_of(' ');
    t = inicio == std::string::npos ? "" : t.substr(inicio);
    int64_t n = 0;
    const char* primero = t.data() + (!t.empty() && t[0] == '+' ? 1 : 0);
    const auto [fin, ec] = std::from_chars(primero, t.data() + t.size(), n);
    if (t.empty() || ec != std::errc() || fin != t.data() + t.size()) {
        throw FalloEval{{245, 1, 16,
                         "Conversion failed when converting the nvarchar value '" + v.texto +
                             "' to data type int."}};
    }
    return n;
}

double ComoReal(const ValorSql& v) {
    return v.tipo == TV::Real ? v.real : static_cast<double>(ComoEntero(v));
}

// LIKE with % (any run) and _ (one character), on already case-folded text.
bool Like(std::string_view t, std::string_view p) {
    size_t i = 0, j = 0, estrella = std::string_view::npos, marca = 0;
    while (i < t.size()) {
        if (j < p.size() && (p[j] == '_' || p[j] == t[i])) {
            ++i;
            ++j;
        } else if (j < p.size() && p[j] == '%') {
            estrella = j++;
            marca = i;
        } else if (estrella != std::string_view::npos) {
            j = estrella + 1;
            i = ++marca;
        } else {
            return false;
        }
    }
    while (j < p.size() && p[j] == '%') ++j;
    return j == p.size();
}

const char* AnioVersion(int v) {
    switch (v) {
        case 9:
            return "2005";
        case 10:
            return "2008";
        case 11:
            return "2012";
        case 12:
            return "2014";
        case 13:
            return "2016";
        case 14:
            return "2017";
        case 15:
            return "2019";
        default:
            return "2022";
    }
}

class Evaluador {
  public:
    Evaluador(const Escenario& esc, const Estado& estado, const ContextoSesion& ctx,
              const Tabla* tabla)
        : esc_(esc),
          estado_(estado),
          ctx_(ctx),
          tabla_(tabla),
          mayusculas_(esc.bases.empty() || !esc.bases[ctx.base].distingueMayusculas) {}

    void Fila(const std::vector<ValorSql>* fila) { fila_ = fila; }

    // Index of a column of the table; 207 when there is none.
    size_t ColumnaDe(const std::string& nombre) const {
        if (tabla_) {
            for (size_t k = 0; k < tabla_->columnas.size(); ++k) {
                if (Mayus(tabla_->columnas[k].nombre) == Mayus(nombre)) return k;
            }
        }
        throw FalloEval{{207, 1, 16, "Invalid column name '" + nombre + "'."}};
    }

    // Checks every column a tree names, before any row is read (as SQL Server compiles).
    void Valida(const Expresion& e) const {
        if (e.tipo == TE::Columna) ColumnaDe(e.texto);
        for (const Expresion& h : e.hijos) Valida(h);
    }

    ValorSql Valor(const Expresion& e) const {
        switch (e.tipo) {
            case TE::Texto:
                return Texto(e.texto);
            case TE::Numero:
                return Entero(e.numero);
            case TE::Nulo:
                return ValorSql{};
            case TE::Columna:
                return (*fila_)[ColumnaDe(e.texto)];
            case TE::Variable:
                return Variable(e.texto);
            case TE::Funcion:
                return Funcion(e);
            default: {
                const auto c = Condicion(e);
                return c ? Entero(*c ? 1 : 0) : ValorSql{};
            }
        }
    }

    std::optional<bool> Condicion(const Expresion& e) const {
        switch (e.tipo) {
            case TE::O: {
                const auto a = Condicion(e.hijos[0]), b = Condicion(e.hijos[1]);
                if ((a && *a) || (b && *b)) return true;
                if (!a || !b) return std::nullopt;
                return false;
            }
            case TE::Y: {
                const auto a = Condicion(e.hijos[0]), b = Condicion(e.hijos[1]);
                if ((a && !*a) || (b && !*b)) return false;
                if (!a || !b) return std::nullopt;
                return true;
            }
            case TE::No: {
                const auto a = Condicion(e.hijos[0]);
                if (!a) return std::nullopt;
                return !*a;
            }
            case TE::EsNulo:
                return Valor(e.hijos[0]).tipo == TV::Nulo;
            case TE::Comparacion:
                return Compara(e.texto, Valor(e.hijos[0]), Valor(e.hijos[1]));
            default:
                throw FalloEval{{4145, 1, 15,
                                 "An expression of non-boolean type specified in a context where a "
                                 "condition is expected."}};
        }
    }

    // -1, 0 or 1 as SQL Server orders two non-NULL values: numbers as numbers (text converted),
    // text without case (unless the database says otherwise) and without trailing blanks.
    int Ordena(const ValorSql& a, const ValorSql& b) const {
        if (a.tipo == TV::Real || b.tipo == TV::Real) {
            const double x = ComoReal(a), y = ComoReal(b);
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        if (a.tipo == TV::Entero || b.tipo == TV::Entero) {
            const int64_t x = ComoEntero(a), y = ComoEntero(b);
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        const int c =
            Pliega(SinBlancosFinales(a.texto)).compare(Pliega(SinBlancosFinales(b.texto)));
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }

  private:
    const Escenario& esc_;
    const Estado& estado_;
    const ContextoSesion& ctx_;
    const Tabla* tabla_;
    const std::vector<ValorSql>* fila_ = nullptr;
    bool mayusculas_;

    std::string Pliega(std::string s) const { return mayusculas_ ? Mayus(std::move(s)) : s; }

    std::optional<bool> Compara(const std::string& op, const ValorSql& a, const ValorSql& b) const {
        if (a.tipo == TV::Nulo || b.tipo == TV::Nulo) return std::nullopt;
        if (op == "LIKE") return Like(Pliega(ComoTexto(a)), Pliega(ComoTexto(b)));
        const int orden = Ordena(a, b);
        if (op == "=") return orden == 0;
        if (op == "<>" || op == "!=") return orden != 0;
        if (op == "<") return orden < 0;
        if (op == ">") return orden > 0;
        if (op == "<=") return orden <= 0;
        return orden >= 0;
    }

    ValorSql Variable(const std::string& nombre) const {
        if (nombre == "@@VERSION" && esc_.EsNube()) {
            return Texto(
                "Microsoft SQL Azure (RTM) - 12.0.2000.8 \n\tDec 19 2018 08:43:17 \n\tCopyright "
                "(C) "
                "2018 Microsoft Corporation\n");
        }
        if (nombre == "@@VERSION") {
            return Texto(std::string("Microsoft SQL Server ") + AnioVersion(esc_.version) + " - " +
                         std::to_string(esc_.version) + ".0.2000.5 (X64) (sqlsim)");
        }
        if (nombre == "@@SPID") return Entero(ctx_.spid);
        if (nombre == "@@SERVERNAME") return Texto(esc_.servidor);
        if (nombre == "@@SERVICENAME") return Texto("MSSQLSERVER");
        if (nombre == "@@LANGUAGE") return Texto("us_english");
        if (nombre == "@@ROWCOUNT") return Entero(static_cast<int64_t>(ctx_.ultimaCuenta));
        if (nombre == "@@ERROR") return Entero(ctx_.ultimoError);
        if (nombre == "@@LOCK_TIMEOUT") return Entero(ctx_.lockTimeout);
        if (nombre == "@@TEXTSIZE") return Entero(ctx_.textSize);
        if (nombre == "@@DATEFIRST") return Entero(ctx_.dateFirst);
        if (nombre == "@@OPTIONS") return Entero(ctx_.opciones);
        if (nombre == "@@NESTLEVEL") return Entero(ctx_.anidamiento);
        if (nombre == "@@CONNECTIONS") return Entero(estado_.Conexiones());
        if (nombre == "@@IDENTITY" || nombre == "@@REMSERVER") return ValorSql{};
        // Fixed values: no transaction is ever open, no cursor, no error counted; the defaults
        // of a server started without options.
        static const std::map<std::string, int64_t> fijas = {
            {"@@TRANCOUNT", 0},      {"@@CURSOR_ROWS", 0},         {"@@LANGID", 0},
            {"@@MAX_PRECISION", 38}, {"@@MAX_CONNECTIONS", 32767}, {"@@TIMETICKS", 31250},
            {"@@PACKET_ERRORS", 0},  {"@@TOTAL_ERRORS", 0}};
        if (const auto f = fijas.find(nombre); f != fijas.end()) return Entero(f->second);
        const auto it = ctx_.variables.find(nombre);
        if (it != ctx_.variables.end()) return it->second;
        throw FalloEval{{137, 1, 15, "Must declare the scalar variable \"" + nombre + "\"."}};
    }

    ValorSql Funcion(const Expresion& e) const {
        std::vector<ValorSql> args;
        for (const Expresion& h : e.hijos) args.push_back(Valor(h));
        const auto aridad = [&](size_t n) {
            if (args.size() != n) {
                throw FalloEval{{174, 1, 15,
                                 "The " + Mayus(e.texto) + " function requires " +
                                     std::to_string(n) + " argument(s)."}};
            }
        };
        if (e.texto == "CAST") {
            const ValorSql& v = args.at(0);
            const std::string& tipo = args.at(1).texto;
            if (v.tipo == TV::Nulo) return v;
            if (tipo == "INT" || tipo == "BIGINT" || tipo == "SMALLINT" || tipo == "TINYINT")
                return Entero(ComoEntero(v));
            if (tipo == "FLOAT" || tipo == "REAL") return Real(ComoReal(v));
            return Texto(ComoTexto(v));
        }
        if (e.texto == "DB_NAME") {
            return esc_.bases.empty() ? Texto("master") : Texto(esc_.bases[ctx_.base].nombre);
        }
        if (e.texto == "DB_ID") {
            if (args.empty() || args[0].tipo == TV::Nulo) {
                return esc_.bases.empty() ? Entero(1) : Entero(esc_.bases[ctx_.base].dbId);
            }
            const BaseEsc* b = esc_.Base(ComoTexto(args[0]));
            return b ? Entero(b->dbId) : ValorSql{};
        }
        if (e.texto == "SCHEMA_NAME") {
            if (esc_.bases.empty()) return ValorSql{};
            const auto& esquemas = esc_.bases[ctx_.base].esquemas;
            if (args.empty()) return Texto(std::string(kEsquemaPorDefecto));
            if (args[0].tipo == TV::Nulo) return ValorSql{};
            const int64_t id = ComoEntero(args[0]);
            if (id < 1 || id > static_cast<int64_t>(esquemas.size())) return ValorSql{};
            return Texto(esquemas[static_cast<size_t>(id - 1)]);
        }
        if (e.texto == "OBJECT_ID") {
            aridad(1);
            if (esc_.bases.empty() || args[0].tipo == TV::Nulo) return ValorSql{};
            const BaseEsc& base = esc_.bases[ctx_.base];
            const auto tabla = base.Tabla(PartesNombre(ComoTexto(args[0])));
            return tabla ? Entero(base.tablas[*tabla].objectId) : ValorSql{};
        }
        if (e.texto == "SERVERPROPERTY") {
            aridad(1);
            const std::string propiedad = Mayus(ComoTexto(args[0]));
            if (propiedad == "ENGINEEDITION") return Entero(esc_.edicion);
            if (propiedad == "PRODUCTVERSION") {
                return Texto(std::to_string(esc_.version) +
                             (esc_.EsNube() ? ".0.2000.8" : ".0.2000.5"));
            }
            if (propiedad == "PRODUCTLEVEL") return Texto("RTM");
            if (propiedad == "EDITION") {
                switch (esc_.edicion) {
                    case 2:
                        return Texto("Standard Edition (64-bit)");
                    case 4:
                        return Texto("Express Edition (64-bit)");
                    case 5:
                        return Texto("SQL Azure");
                    default:
                        return Texto("Developer Edition (64-bit)");
                }
            }
            if (propiedad == "SERVERNAME") return Texto(esc_.servidor);
            return ValorSql{};
        }
        if (e.texto == "UPPER" || e.texto == "LOWER" || e.texto == "LEN" || e.texto == "LTRIM" ||
            e.texto == "RTRIM") {
            aridad(1);
            if (args[0].tipo == TV::Nulo) return args[0];
            std::string t = ComoTexto(args[0]);
            if (e.texto == "UPPER") return Texto(Mayus(t));
            if (e.texto == "LOWER") {
                for (char& c : t)
                    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                return Texto(t);
            }
            if (e.texto == "LEN") return Entero(static_cast<int64_t>(SinBlancosFinales(t).size()));
            if (e.texto == "RTRIM") return Texto(SinBlancosFinales(t));
            const size_t i = t.find_first_not_of(' ');
            return Texto(i == std::string::npos ? "" : t.substr(i));
        }
        throw FalloEval{
            {195, 1, 15, "'" + e.texto + "' is not a recognized built-in function name."}};
    }
};

Tabla UsuariosPW(const std::vector<UsuarioEsc>& usuarios) {
    Tabla t{{{"Usuario_ID", tds::kNVarchar, 50},
             {"Usuario_PW", tds::kNVarchar, 255},
             {"Usuario_cd", tds::kIntN, 4}},
            {}};
    for (const UsuarioEsc& u : usuarios)
        t.filas.push_back({Texto(u.id), Texto(u.pw), Entero(u.cd)});
    return t;
}

// sys.dm_os_host_info: the one row of the operating system the server runs on.
Tabla Anfitrion(const AnfitrionEsc& a) {
    return Tabla{{{"host_platform", tds::kNVarchar, 256},
                  {"host_distribution", tds::kNVarchar, 256},
                  {"host_release", tds::kNVarchar, 256},
                  {"host_service_pack_level", tds::kNVarchar, 256},
                  {"host_sku", tds::kIntN, 4},
                  {"os_language_version", tds::kIntN, 4}},
                 {{Texto(a.esLinux ? "Linux" : "Windows"), Texto(a.distribucion), Texto(a.version),
                   Texto(""), a.esLinux ? ValorSql{} : Entero(7), Entero(1033)}}};
}

Tabla ArchivosBase(const Escenario& esc, const BaseEsc& base, size_t posBase,
                   const Estado& estado) {
    // The data folder: C:\SQLData on Windows, the default /var/opt/mssql/data on Linux.
    const std::string carpeta = esc.anfitrion.esLinux ? "/var/opt/mssql/data/" : "C:\\SQLData\\";
    Tabla t{{{"file_id", tds::kIntN, 4},
             {"type", tds::kIntN, 1},
             {"type_desc", tds::kNVarchar, 60},
             {"name", tds::kNVarchar, 128},
             {"physical_name", tds::kNVarchar, 260},
             {"state_desc", tds::kNVarchar, 60},
             {"size", tds::kIntN, 4}},
            {}};
    for (size_t k = 0; k < base.archivos.size(); ++k) {
        const ArchivoEsc& a = base.archivos[k];
        t.filas.push_back({Entero(a.fileId), Entero(a.log ? 1 : 0), Texto(a.log ? "LOG" : "ROWS"),
                           Texto(a.nombre), Texto(carpeta + a.nombre + (a.log ? ".ldf" : ".mdf")),
                           Texto("ONLINE"), Entero(estado.TamanoMB(posBase, k) * 128)});
    }
    return t;
}

Tabla Bases(const Escenario& esc) {
    Tabla t{{{"name", tds::kNVarchar, 128},
             {"database_id", tds::kIntN, 4},
             {"recovery_model", tds::kIntN, 1},
             {"recovery_model_desc", tds::kNVarchar, 60},
             {"state_desc", tds::kNVarchar, 60}},
            {}};
    for (const BaseEsc& b : esc.bases) {
        const int64_t modelo =
            b.modeloRecuperacion == "SIMPLE" ? 3 : (b.modeloRecuperacion == "BULK_LOGGED" ? 2 : 1);
        t.filas.push_back({Texto(b.nombre), Entero(b.dbId), Entero(modelo),
                           Texto(b.modeloRecuperacion), Texto("ONLINE")});
    }
    return t;
}

// msdb.dbo.backupset: the backups taken since sqlsim started, and the one a scenario's backedUp
// stands for (taken a day before).
Tabla HistoriaRespaldos(const Escenario& esc, const Estado& estado) {
    Tabla t{{{"database_name", tds::kNVarchar, 128},
             {"type", tds::kNVarchar, 1},
             {"backup_start_date", tds::kDateTimN, 8},
             {"backup_finish_date", tds::kDateTimN, 8},
             {"is_copy_only", tds::kIntN, 1},
             {"has_backup_checksums", tds::kIntN, 1}},
            {}};
    for (const RespaldoHecho& r : estado.Respaldos()) {
        t.filas.push_back({Texto(esc.bases[r.base].nombre), Texto(r.log ? "L" : "D"), Fecha(r.fin),
                           Fecha(r.fin), Entero(0), Entero(r.conChecksum ? 1 : 0)});
    }
    return t;
}

// sys.dm_exec_connections: the session's own connection.
Tabla Conexiones(const ContextoSesion& ctx) {
    return Tabla{{{"session_id", tds::kIntN, 2},
                  {"net_transport", tds::kNVarchar, 40},
                  {"encrypt_option", tds::kNVarchar, 40},
                  {"auth_scheme", tds::kNVarchar, 40},
                  {"client_net_address", tds::kNVarchar, 48}},
                 {{Entero(ctx.spid), Texto("TCP"), Texto(ctx.cifrada ? "TRUE" : "FALSE"),
                   Texto("SQL"), Texto("127.0.0.1")}}};
}

Tabla Esquemas(const BaseEsc& base) {
    Tabla t{{{"name", tds::kNVarchar, 128},
             {"schema_id", tds::kIntN, 4},
             {"principal_id", tds::kIntN, 4}},
            {}};
    for (size_t k = 0; k < base.esquemas.size(); ++k) {
        const int64_t id = static_cast<int64_t>(k + 1);
        // dbo is owned by dbo (principal 1); guest by guest (2); sys and INFORMATION_SCHEMA by
        // themselves (3, 4); the database's own schemas here by dbo.
        t.filas.push_back({Texto(base.esquemas[k]), Entero(id), Entero(id <= 4 ? id : 1)});
    }
    return t;
}

Tabla Objetos(const BaseEsc& base) {
    Tabla t{{{"name", tds::kNVarchar, 128},
             {"object_id", tds::kIntN, 4},
             {"principal_id", tds::kIntN, 4},
             {"schema_id", tds::kIntN, 4},
             {"parent_object_id", tds::kIntN, 4},
             {"type", tds::kNVarchar, 2},
             {"type_desc", tds::kNVarchar, 60},
             {"is_ms_shipped", tds::kIntN, 1}},
            {}};
    for (const TablaEsc& tabla : base.tablas) {
        t.filas.push_back({Texto(tabla.nombre), Entero(tabla.objectId), ValorSql{},
                           Entero(tabla.esquemaId), Entero(0), Texto("U "), Texto("USER_TABLE"),
                           Entero(0)});
    }
    return t;
}

const char* TipoIndice(int32_t id) {
    return id == 0 ? "HEAP" : (id == 1 ? "CLUSTERED" : "NONCLUSTERED");
}

Tabla Indices(const BaseEsc& base) {
    Tabla t{{{"object_id", tds::kIntN, 4},
             {"name", tds::kNVarchar, 128},
             {"index_id", tds::kIntN, 4},
             {"type", tds::kIntN, 1},
             {"type_desc", tds::kNVarchar, 60},
             {"is_disabled", tds::kIntN, 1}},
            {}};
    for (const IndiceEsc& i : base.indices) {
        t.filas.push_back({Entero(base.tablas[i.tabla].objectId),
                           i.id == 0 ? ValorSql{} : Texto(i.nombre), Entero(i.id),
                           Entero(std::min(i.id, 2)), Texto(TipoIndice(i.id)), Entero(0)});
    }
    return t;
}

// sys.dm_db_index_physical_stats(database_id, object_id, index_id, partition_number, mode): one
// IN_ROW_DATA row per index of the unpartitioned tables sqlsim knows, its fragmentation being what
// the scan density leaves (100 - density). NULL (or 0, or -1 for the index) widens a filter.
Tabla EstadoFisico(const Escenario& esc, const Estado& estado, const std::vector<ValorSql>& args) {
    if (args.size() != 5) {
        throw FalloEval{{216, 1, 16,
                         "Parameters were not supplied for the function "
                         "'sys.dm_db_index_physical_stats'."}};
    }
    const auto filtro = [](const ValorSql& v, int64_t todos) -> std::optional<int64_t> {
        if (v.tipo == TV::Nulo) return std::nullopt;
        const int64_t n = ComoEntero(v);
        return n == todos ? std::nullopt : std::optional<int64_t>(n);
    };
    const auto base = filtro(args[0], 0), objeto = filtro(args[1], 0), indice = filtro(args[2], -1),
               particion = filtro(args[3], 0);
    if (args[4].tipo != TV::Nulo) {
        const std::string modo = Mayus(ComoTexto(args[4]));
        if (modo != "LIMITED" && modo != "SAMPLED" && modo != "DETAILED" && modo != "DEFAULT") {
            throw FalloEval{{2, 1, 16,
                             "Invalid value '" + ComoTexto(args[4]) +
                                 "' for parameter 'mode' of sys.dm_db_index_physical_stats."}};
        }
    }
    Tabla t{{{"database_id", tds::kIntN, 2},
             {"object_id", tds::kIntN, 4},
             {"index_id", tds::kIntN, 4},
             {"partition_number", tds::kIntN, 4},
             {"index_type_desc", tds::kNVarchar, 60},
             {"alloc_unit_type_desc", tds::kNVarchar, 60},
             {"index_depth", tds::kIntN, 1},
             {"index_level", tds::kIntN, 1},
             {"avg_fragmentation_in_percent", tds::kFltN, 8},
             {"fragment_count", tds::kIntN, 8},
             {"avg_fragment_size_in_pages", tds::kFltN, 8},
             {"page_count", tds::kIntN, 8},
             {"avg_page_space_used_in_percent", tds::kFltN, 8},
             {"record_count", tds::kIntN, 8}},
            {}};
    if (particion && *particion != 1) return t;
    for (size_t b = 0; b < esc.bases.size(); ++b) {
        const BaseEsc& bd = esc.bases[b];
        if (base && *base != bd.dbId) continue;
        const std::vector<double> densidades = estado.Densidades(b);
        for (size_t k = 0; k < bd.indices.size(); ++k) {
            const IndiceEsc& i = bd.indices[k];
            const TablaEsc& tabla = bd.tablas[i.tabla];
            if ((objeto && *objeto != tabla.objectId) || (indice && *indice != i.id)) continue;
            const double fragmentacion = std::clamp(100.0 - densidades[k], 0.0, 100.0);
            const int64_t fragmentos =
                std::max<int64_t>(1, std::llround(i.paginas * fragmentacion / 100.0));
            t.filas.push_back(
                {Entero(bd.dbId), Entero(tabla.objectId), Entero(i.id), Entero(1),
                 Texto(std::string(TipoIndice(i.id)) + (i.id == 0 ? "" : " INDEX")),
                 Texto("IN_ROW_DATA"), Entero(i.id == 0 ? 1 : 2), Entero(0), Real(fragmentacion),
                 Entero(fragmentos),
                 Real(static_cast<double>(i.paginas) / static_cast<double>(fragmentos)),
                 Entero(i.paginas), ValorSql{}, ValorSql{}});
        }
    }
    return t;
}

}  // namespace

int32_t BitOpcion(const std::string& opcion) {
    static const std::map<std::string, int32_t> bits = {{"DISABLE_DEF_CNST_CHK", 1},
                                                        {"IMPLICIT_TRANSACTIONS", 2},
                                                        {"CURSOR_CLOSE_ON_COMMIT", 4},
                                                        {"ANSI_WARNINGS", 8},
                                                        {"ANSI_PADDING", 16},
                                                        {"ANSI_NULLS", 32},
                                                        {"ARITHABORT", 64},
                                                        {"ARITHIGNORE", 128},
                                                        {"QUOTED_IDENTIFIER", 256},
                                                        {"NOCOUNT", kNoCount},
                                                        {"ANSI_NULL_DFLT_ON", 1024},
                                                        {"ANSI_NULL_DFLT_OFF", 2048},
                                                        {"CONCAT_NULL_YIELDS_NULL", 4096},
                                                        {"NUMERIC_ROUNDABORT", 8192},
                                                        {"XACT_ABORT", 16384}};
    const auto it = bits.find(opcion);
    return it == bits.end() ? 0 : it->second;
}

Consulta::Consulta(const Escenario& escenario, const Estado& estado)
    : esc_(escenario), estado_(estado) {}

std::optional<uint64_t> Consulta::Ejecuta(const Seleccion& s, const ContextoSesion& ctx,
                                          EscritorTds& salida,
                                          std::vector<MensajeSql>& errores) const {
    try {
        std::optional<Tabla> tabla;
        if (!s.tabla.empty()) {
            std::vector<std::string> partes{""};
            for (char c : s.tabla) {
                if (c == '.') {
                    partes.emplace_back();
                } else {
                    partes.back() += c;
                }
            }
            const std::string objeto = Mayus(partes.back());
            const std::string esquema = partes.size() > 1 ? Mayus(partes[partes.size() - 2]) : "";
            const std::string otraBase = partes.size() > 2 ? Mayus(partes[partes.size() - 3]) : "";
            const BaseEsc* base = esc_.bases.empty() ? nullptr : &esc_.bases[ctx.base];
            const bool sistema = base && esquema == "SYS";
            if (!otraBase.empty() && esc_.EsNube()) {
                throw FalloEval{{40515, 1, 15,
                                 "Reference to database and/or server name in '" + s.tabla +
                                     "' is not supported in this version of SQL Server."}};
            }
            if (otraBase == "MSDB" && esquema == "DBO" && objeto == "BACKUPSET") {
                tabla = HistoriaRespaldos(esc_, estado_);
            } else if (sistema && objeto == "DM_EXEC_CONNECTIONS") {
                tabla = Conexiones(ctx);
            } else if (sistema && objeto == "DM_OS_HOST_INFO" && esc_.version >= 14) {
                tabla = Anfitrion(esc_.anfitrion);
            } else if (sistema && objeto == "DATABASES") {
                tabla = Bases(esc_);
            } else if (sistema && objeto == "DM_DB_INDEX_PHYSICAL_STATS" && s.argumentos) {
                Evaluador sinTabla(esc_, estado_, ctx, nullptr);
                std::vector<ValorSql> args;
                for (const Expresion& a : *s.argumentos) args.push_back(sinTabla.Valor(a));
                tabla = EstadoFisico(esc_, estado_, args);
            } else if (s.argumentos) {
                throw FalloEval{{208, 1, 16, "Invalid object name '" + s.tabla + "'."}};
            } else if (sistema && objeto == "DATABASE_FILES") {
                tabla = ArchivosBase(esc_, *base, ctx.base, estado_);
            } else if (sistema && objeto == "SCHEMAS") {
                tabla = Esquemas(*base);
            } else if (sistema && objeto == "OBJECTS") {
                tabla = Objetos(*base);
            } else if (sistema && objeto == "INDEXES") {
                tabla = Indices(*base);
            } else if (base && (esquema.empty() || esquema == "DBO") && objeto == "USUARIOSPW" &&
                       base->usuarios) {
                tabla = UsuariosPW(*base->usuarios);
            } else {
                throw FalloEval{{208, 1, 16, "Invalid object name '" + s.tabla + "'."}};
            }
        }
        Evaluador ev(esc_, estado_, ctx, tabla ? &*tabla : nullptr);
        if (s.donde) ev.Valida(*s.donde);
        for (const ElementoSeleccion& e : s.elementos) {
            if (e.todas && !tabla)
                throw FalloEval{{263, 1, 16, "Must specify table to select from."}};
            if (!e.todas) ev.Valida(e.valor);
        }
        const std::vector<ValorSql> sinFila;
        std::vector<const std::vector<ValorSql>*> filas;
        if (!tabla) {
            filas.push_back(&sinFila);
        } else {
            for (const auto& f : tabla->filas) {
                ev.Fila(&f);
                if (!s.donde || ev.Condicion(*s.donde).value_or(false)) filas.push_back(&f);
            }
        }
        if (!s.orden.empty()) {
            for (const Orden& o : s.orden) ev.Valida(o.clave);
            std::vector<std::pair<std::vector<ValorSql>, const std::vector<ValorSql>*>> claves;
            for (const auto* f : filas) {
                ev.Fila(f);
                std::vector<ValorSql> clave;
                for (const Orden& o : s.orden) clave.push_back(ev.Valor(o.clave));
                claves.emplace_back(std::move(clave), f);
            }
            // NULL sorts first, as in SQL Server; equal keys keep their order.
            std::stable_sort(claves.begin(), claves.end(), [&](const auto& a, const auto& b) {
                for (size_t k = 0; k < s.orden.size(); ++k) {
                    const ValorSql &x = a.first[k], &y = b.first[k];
                    int c = 0;
                    if (x.tipo == TV::Nulo || y.tipo == TV::Nulo) {
                        c = (x.tipo == TV::Nulo ? 0 : 1) - (y.tipo == TV::Nulo ? 0 : 1);
                    } else {
                        c = ev.Ordena(x, y);
                    }
                    if (s.orden[k].descendente) c = -c;
                    if (c != 0) return c < 0;
                }
                return false;
            });
            for (size_t k = 0; k < filas.size(); ++k) filas[k] = claves[k].second;
        }
        if (s.top)
            filas.resize(std::min(filas.size(), static_cast<size_t>(std::max<int64_t>(*s.top, 0))));
        if (ctx.filasMaximas > 0)
            filas.resize(std::min(filas.size(), static_cast<size_t>(ctx.filasMaximas)));
        // Each output column: a table column, or an expression evaluated per row.
        std::vector<Columna> columnas;
        std::vector<std::vector<ValorSql>> salidas(filas.size());
        for (const ElementoSeleccion& e : s.elementos) {
            if (e.todas) {
                for (size_t k = 0; k < tabla->columnas.size(); ++k) {
                    columnas.push_back(tabla->columnas[k]);
                    for (size_t f = 0; f < filas.size(); ++f) salidas[f].push_back((*filas[f])[k]);
                }
                continue;
            }
            Columna c{e.alias, tds::kNVarchar, 4000};
            if (e.valor.tipo == TE::Columna && tabla) {
                c = tabla->columnas[ev.ColumnaDe(e.valor.texto)];
                if (!e.alias.empty()) c.nombre = e.alias;
            }
            for (size_t f = 0; f < filas.size(); ++f) {
                ev.Fila(filas[f]);
                salidas[f].push_back(ev.Valor(e.valor));
            }
            if (!(e.valor.tipo == TE::Columna && tabla) && !filas.empty()) {
                const ValorSql& v = salidas[0].back();
                if (v.tipo == TV::Real) {
                    c.tipo = tds::kFltN, c.longitud = 8;
                } else if (v.tipo == TV::Fecha) {
                    c.tipo = tds::kDateTimN, c.longitud = 8;
                } else if (v.tipo != TV::Texto) {
                    c.tipo = tds::kIntN, c.longitud = 4;
                }
            }
            columnas.push_back(c);
        }
        salida.Columnas(columnas);
        for (const auto& fila : salidas) {
            salida.IniciaFila();
            for (size_t k = 0; k < columnas.size(); ++k) {
                const ValorSql& v = fila[k];
                if (v.tipo == TV::Nulo) {
                    salida.Nulo(columnas[k]);
                } else if (columnas[k].tipo == tds::kNVarchar) {
                    salida.NVarchar(ComoTexto(v));
                } else if (columnas[k].tipo == tds::kFltN) {
                    salida.Flotante(ComoReal(v));
                } else if (columnas[k].tipo == tds::kDateTimN) {
                    salida.FechaHora(v.texto);
                } else {
                    salida.Entero(ComoEntero(v), static_cast<uint8_t>(columnas[k].longitud));
                }
            }
        }
        return filas.size();
    } catch (const FalloEval& f) {
        errores.push_back(f.error);
        return std::nullopt;
    }
}

}  // namespace velqor::sqlsim
