#include "Ejecutor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <set>
#include <type_traits>

#include "ArchivoRespaldo.h"
#include "NombreObjeto.h"

namespace velqor::sqlsim {
namespace {

Resultado Falla(EscritorTds& out, std::initializer_list<MensajeSql> errores) {
    for (const MensajeSql& m : errores) out.Mensaje(m);
    return Resultado{true, std::nullopt, false, errores.begin()->numero};
}

MensajeSql Info(int32_t numero, std::string texto, uint8_t clase = 0) {
    return MensajeSql{numero, 1, clase, std::move(texto)};
}

const Resultado kInterrumpido{false, std::nullopt, true};

const MensajeSql kDbccTerminado = Info(
    2528,
    "DBCC execution completed. If DBCC printed error messages, contact your system administrator.");

std::string TextoObjeto(const Objeto& o) { return o.numero ? std::to_string(*o.numero) : o.nombre; }

// A DBCC table argument: an object id, or a string or name parsed as a one- to three-part name.
std::optional<size_t> BuscaTabla(const BaseEsc& base, const Objeto& o) {
    if (o.numero) {
        for (size_t k = 0; k < base.tablas.size(); ++k) {
            if (base.tablas[k].objectId == *o.numero) return k;
        }
        return std::nullopt;
    }
    return base.Tabla(PartesNombre(o.escrito));
}

std::optional<size_t> BuscaIndice(const BaseEsc& base, size_t tabla, const Objeto& o) {
    for (size_t i : base.tablas[tabla].indices) {
        const IndiceEsc& ind = base.indices[i];
        if (o.numero ? ind.id == *o.numero : (ind.id != 0 && Mayus(ind.nombre) == Mayus(o.nombre)))
            return i;
    }
    return std::nullopt;
}

MensajeSql SinTabla(const Objeto& o) {
    return {2501, 45, 16,
            "Cannot find a table or object with the name \"" + TextoObjeto(o) +
                "\". Check the system catalog."};
}

const MensajeSql kSinIndice{2560, 9, 16, "Parameter 2 is incorrect for this DBCC statement."};

// The base index of a table: the heap or the clustered index.
std::optional<size_t> IndiceBase(const BaseEsc& base, size_t tabla) {
    for (size_t i : base.tablas[tabla].indices) {
        if (base.indices[i].id <= 1) return i;
    }
    return std::nullopt;
}

const std::vector<Columna>& ColumnasShowContig() {
    static const std::vector<Columna> columnas = {{"ObjectName", tds::kNVarchar, 128},
                                                  {"ObjectId", tds::kIntN, 4},
                                                  {"IndexName", tds::kNVarchar, 128},
                                                  {"IndexId", tds::kIntN, 4},
                                                  {"Level", tds::kIntN, 4},
                                                  {"Pages", tds::kIntN, 4},
                                                  {"Rows", tds::kIntN, 8},
                                                  {"MinimumRecordSize", tds::kIntN, 4},
                                                  {"MaximumRecordSize", tds::kIntN, 4},
                                                  {"AverageRecordSize", tds::kFltN, 8},
                                                  {"ForwardedRecords", tds::kIntN, 8},
                                                  {"Extents", tds::kIntN, 4},
                                                  {"ExtentSwitches", tds::kIntN, 4},
                                                  {"AverageFreeBytes", tds::kFltN, 8},
                                                  {"AveragePageDensity", tds::kFltN, 8},
                                                  {"ScanDensity", tds::kFltN, 8},
                                                  {"BestCount", tds::kIntN, 4},
                                                  {"ActualCount", tds::kIntN, 4},
                                                  {"LogicalFragmentation", tds::kFltN, 8},
                                                  {"ExtentFragmentation", tds::kFltN, 8}};
    return columnas;
}

// Extent figures consistent with a scan density: density = BestCount / ActualCount * 100.
struct Extensiones {
    int32_t mejor, real;
};
Extensiones CalculaExtensiones(int32_t paginas, double densidad) {
    const int32_t mejor = std::max(1, (paginas + 7) / 8);
    const double d = std::clamp(densidad, 1.0, 100.0);
    return {mejor, std::max(mejor, static_cast<int32_t>(std::lround(mejor * 100.0 / d)))};
}

void FilaShowContig(EscritorTds& out, const TablaEsc& t, const IndiceEsc& i, double densidad,
                    bool rapido) {
    const Extensiones e = CalculaExtensiones(i.paginas, densidad);
    const double fragmentacion = std::max(0.0, 100.0 - densidad);
    out.IniciaFila();
    out.NVarcharU16(t.nombreU16);
    out.Entero(t.objectId, 4);
    out.NVarcharU16(i.nombreU16);
    out.Entero(i.id, 4);
    out.Entero(0, 4);
    out.Entero(i.paginas, 4);
    out.Entero(rapido ? 0 : int64_t{i.paginas} * 40, 8);
    out.Entero(rapido ? 0 : 180, 4);
    out.Entero(rapido ? 0 : 220, 4);
    out.Flotante(rapido ? 0.0 : 200.0);
    out.Entero(0, 8);
    out.Entero(e.mejor, 4);
    out.Entero(e.real - 1, 4);
    out.Flotante(rapido ? 0.0 : 800.0);
    out.Flotante(rapido ? 0.0 : 90.0);
    out.Flotante(densidad);
    out.Entero(e.mejor, 4);
    out.Entero(e.real, 4);
    out.Flotante(fragmentacion * 0.9);
    out.Flotante(fragmentacion * 0.5);
}

void TextoShowContig(EscritorTds& out, const BaseEsc& base, const TablaEsc& t, const IndiceEsc& i,
                     double d) {
    const Extensiones e = CalculaExtensiones(i.paginas, d);
    char linea[160];
    out.Mensaje(Info(0, "DBCC SHOWCONTIG scanning '" + t.nombre + "' table..."));
    std::snprintf(linea, sizeof linea, "Table: '%s' (%d); index ID: %d, database ID: %d",
                  t.nombre.c_str(), t.objectId, i.id, base.dbId);
    out.Mensaje(Info(0, linea));
    out.Mensaje(Info(0, "TABLE level scan performed."));
    std::snprintf(linea, sizeof linea, "- Pages Scanned................................: %d",
                  i.paginas);
    out.Mensaje(Info(0, linea));
    std::snprintf(linea, sizeof linea,
                  "- Scan Density [Best Count:Actual Count].......: %.2f%% [%d:%d]", d, e.mejor,
                  e.real);
    out.Mensaje(Info(0, linea));
}

// Ends a DBCC result set; its completion message follows unless NO_INFOMSGS was given.
Resultado FinDbcc(EscritorTds& out, std::optional<uint64_t> filas, bool noInfoMsgs) {
    if (noInfoMsgs) return Resultado{false, filas};
    if (filas) out.FinSentencia(tds::kMas | tds::kCuenta, *filas);
    out.Mensaje(kDbccTerminado);
    return Resultado{};
}

// WITH CHECKSUM among a BACKUP's or RESTORE's options (given in upper case).
bool ConChecksum(const std::vector<std::string>& opciones) {
    return std::find(opciones.begin(), opciones.end(), "CHECKSUM") != opciones.end();
}

bool OpcionBackupConocida(const std::string& o, int version) {
    static const std::set<std::string> conocidas = {"INIT",
                                                    "NOINIT",
                                                    "FORMAT",
                                                    "NOFORMAT",
                                                    "COMPRESSION",
                                                    "NO_COMPRESSION",
                                                    "STATS",
                                                    "CHECKSUM",
                                                    "NO_CHECKSUM",
                                                    "COPY_ONLY",
                                                    "SKIP",
                                                    "NOSKIP",
                                                    "NAME",
                                                    "DESCRIPTION",
                                                    "NORECOVERY",
                                                    "NO_TRUNCATE",
                                                    "DIFFERENTIAL",
                                                    "NOUNLOAD",
                                                    "UNLOAD",
                                                    "REWIND",
                                                    "NOREWIND",
                                                    "CONTINUE_AFTER_ERROR",
                                                    "STOP_ON_ERROR",
                                                    "BUFFERCOUNT",
                                                    "MAXTRANSFERSIZE",
                                                    "BLOCKSIZE",
                                                    "MEDIANAME",
                                                    "MEDIADESCRIPTION",
                                                    "PASSWORD",
                                                    "EXPIREDATE",
                                                    "RETAINDAYS",
                                                    "STANDBY"};
    if (o == "TRUNCATE_ONLY" || o == "NO_LOG") return version <= 9;
    return conocidas.count(o) > 0;
}

}  // namespace

Ejecutor::Ejecutor(const Escenario& escenario, Estado& estado)
    : esc_(escenario), estado_(estado), consulta_(escenario, estado) {}

std::string Ejecutor::Tipo(const Comando& c) {
    struct Nombres {
        std::string operator()(const ShowContig&) const { return "showcontig"; }
        std::string operator()(const DbReindex&) const { return "dbreindex"; }
        std::string operator()(const IndexDefrag&) const { return "indexdefrag"; }
        std::string operator()(const ShrinkFile&) const { return "shrinkfile"; }
        std::string operator()(const Backup& b) const {
            if (!b.log) return "backupdatabase";
            return b.disco ? "backuplog" : "truncate";
        }
        std::string operator()(const Seleccion&) const { return "select"; }
        std::string operator()(const AlterIndex&) const { return "alterindex"; }
        std::string operator()(const VerificaRespaldo&) const { return "verifyonly"; }
        std::string operator()(const UpdateStats&) const { return "updatestats"; }
        std::string operator()(const Uso&) const { return "use"; }
        std::string operator()(const Fijar&) const { return "set"; }
        std::string operator()(const Procedimiento&) const { return "exec"; }
    };
    return std::visit(Nombres{}, c);
}

Resultado Ejecutor::Ejecuta(const Comando& c, ContextoSesion& ctx, EscritorTds& salida,
                            const Esperar& espera) {
    if (esc_.bases.empty() && !std::holds_alternative<Seleccion>(c) &&
        !std::holds_alternative<Fijar>(c)) {
        return Falla(
            salida,
            {{911, 1, 16,
              "Database 'master' does not exist. Make sure that the name is entered correctly."}});
    }
    if (esc_.EsNube()) {
        if (const auto refusal = NoEnLaNube(c)) return Falla(salida, {*refusal});
    }
    const Resultado r = Corre(c, ctx, salida, espera);
    if (!r.interrumpido) {
        ctx.ultimaCuenta = r.cuenta.value_or(0);
        ctx.ultimoError = r.error ? r.numeroError : 0;
    }
    return r;
}

Resultado Ejecutor::Corre(const Comando& c, ContextoSesion& ctx, EscritorTds& salida,
                          const Esperar& espera) {
    return std::visit(
        [&](const auto& s) {
            using T = std::decay_t<decltype(s)>;
            if constexpr (std::is_same_v<T, DbReindex> || std::is_same_v<T, IndexDefrag> ||
                          std::is_same_v<T, AlterIndex>) {
                return Hacer(s, ctx, salida, espera);
            } else {
                if (!espera(esc_.Duracion(Tipo(c)))) return kInterrumpido;
                return Hacer(s, ctx, salida);
            }
        },
        c);
}

std::optional<Resultado> Ejecutor::EsperaIndices(const std::string& tipo, size_t base,
                                                 const std::vector<size_t>& indices,
                                                 const ContextoSesion& ctx, const Esperar& espera,
                                                 EscritorTds& out) const {
    const int resta = estado_.BloqueoRestante(base, indices);
    if (resta != 0) {
        // -1 waits for the lock however long it is held; a timeout gives up once it has passed.
        const int64_t limite = ctx.lockTimeout;
        const bool alcanza = limite < 0 || (resta > 0 && resta <= limite);
        const int ms =
            alcanza ? resta
                    : static_cast<int>(std::min<int64_t>(limite, std::numeric_limits<int>::max()));
        if (!espera(ms)) return kInterrumpido;
        if (!alcanza) {
            return Falla(out, {{1222, 51, 16, "Lock request time out period exceeded."}});
        }
    }
    int64_t paginas = 0;
    for (size_t i : indices) paginas += esc_.bases[base].indices[i].paginas;
    if (!espera(esc_.Duracion(tipo, paginas))) return kInterrumpido;
    return std::nullopt;
}

std::optional<MensajeSql> Ejecutor::NoEnLaNube(const Comando& c) {
    const auto dbcc = [](const char* orden) {
        return MensajeSql{40518, 1, 16,
                          std::string("DBCC command '") + orden +
                              "' is not supported in this version of SQL Server."};
    };
    if (std::holds_alternative<ShowContig>(c)) return dbcc("SHOWCONTIG");
    if (std::holds_alternative<DbReindex>(c)) return dbcc("DBREINDEX");
    if (std::holds_alternative<IndexDefrag>(c)) return dbcc("INDEXDEFRAG");
    if (std::holds_alternative<VerificaRespaldo>(c)) {
        return MensajeSql{40510, 1, 16,
                          "Statement 'RESTORE' is not supported in this version of SQL Server."};
    }
    if (const auto* b = std::get_if<Backup>(&c)) {
        return MensajeSql{40510, 1, 16,
                          std::string("Statement '") + (b->log ? "BACKUP LOG" : "BACKUP DATABASE") +
                              "' is not supported in this version of SQL Server."};
    }
    return std::nullopt;
}

Resultado Ejecutor::Hacer(const ShowContig& s, ContextoSesion& ctx, EscritorTds& out) {
    const BaseEsc& base = esc_.bases[ctx.base];
    std::vector<size_t> elegidos;
    if (s.tabla) {
        const auto t = BuscaTabla(base, *s.tabla);
        if (!t) return Falla(out, {SinTabla(*s.tabla)});
        if (s.indice) {
            const auto i = BuscaIndice(base, *t, *s.indice);
            if (!i) return Falla(out, {kSinIndice});
            elegidos.push_back(*i);
        } else if (s.allIndexes) {
            elegidos = base.tablas[*t].indices;
        } else if (const auto i = IndiceBase(base, *t)) {
            elegidos.push_back(*i);
        }
    } else if (s.allIndexes) {
        elegidos.resize(base.indices.size());
        for (size_t k = 0; k < elegidos.size(); ++k) elegidos[k] = k;
    } else {
        for (size_t t = 0; t < base.tablas.size(); ++t) {
            if (const auto i = IndiceBase(base, t)) elegidos.push_back(*i);
        }
    }
    const std::vector<double> densidades = estado_.Densidades(ctx.base);
    if (!s.tableResults) {
        for (size_t i : elegidos) {
            TextoShowContig(out, base, base.tablas[base.indices[i].tabla], base.indices[i],
                            densidades[i]);
        }
        return FinDbcc(out, std::nullopt, s.noInfoMsgs);
    }
    out.Columnas(ColumnasShowContig());
    out.Reserva(elegidos.size() * 200);
    for (size_t i : elegidos) {
        const IndiceEsc& ind = base.indices[i];
        FilaShowContig(out, base.tablas[ind.tabla], ind, densidades[i], s.fast);
    }
    return FinDbcc(out, elegidos.size(), s.noInfoMsgs);
}

Resultado Ejecutor::Hacer(const DbReindex& s, ContextoSesion& ctx, EscritorTds& out,
                          const Esperar& espera) {
    const BaseEsc& base = esc_.bases[ctx.base];
    const auto t = BuscaTabla(base, s.tabla);
    if (!t) return Falla(out, {SinTabla(s.tabla)});
    std::vector<size_t> elegidos;
    if (s.indice) {
        const auto i = BuscaIndice(base, *t, *s.indice);
        if (!i) return Falla(out, {kSinIndice});
        elegidos.push_back(*i);
    } else {
        for (size_t i : base.tablas[*t].indices) {
            if (base.indices[i].id != 0) elegidos.push_back(i);
        }
    }
    if (auto fin = EsperaIndices("dbreindex", ctx.base, elegidos, ctx, espera, out)) return *fin;
    for (size_t i : elegidos) estado_.FijaDensidad(ctx.base, i, 100.0);
    return FinDbcc(out, std::nullopt, s.noInfoMsgs);
}

Resultado Ejecutor::Hacer(const IndexDefrag& s, ContextoSesion& ctx, EscritorTds& out,
                          const Esperar& espera) {
    size_t posBase = ctx.base;
    if (!(s.base.numero && *s.base.numero == 0)) {
        const BaseEsc* b = nullptr;
        for (size_t k = 0; k < esc_.bases.size() && !b; ++k) {
            const BaseEsc& candidata = esc_.bases[k];
            if (s.base.numero ? candidata.dbId == *s.base.numero
                              : Mayus(candidata.nombre) == Mayus(s.base.nombre)) {
                b = &candidata;
                posBase = k;
            }
        }
        if (!b) {
            return Falla(
                out,
                {{2520, 1, 16,
                  "Could not find database '" + TextoObjeto(s.base) +
                      "'. The database either does not exist, or was dropped before a statement "
                      "tried to use it. Verify if the database exists by querying the "
                      "sys.databases "
                      "catalog view."}});
        }
    }
    const BaseEsc& base = esc_.bases[posBase];
    const auto t = BuscaTabla(base, s.tabla);
    if (!t) return Falla(out, {SinTabla(s.tabla)});
    const auto i = BuscaIndice(base, *t, s.indice);
    if (!i) return Falla(out, {kSinIndice});
    if (auto fin = EsperaIndices("indexdefrag", posBase, {*i}, ctx, espera, out)) return *fin;
    const double antes = estado_.Densidad(posBase, *i);
    const int32_t paginas = base.indices[*i].paginas;
    estado_.FijaDensidad(posBase, *i, std::max(antes, base.densidadDefrag));
    out.Columnas({{"Pages Scanned", tds::kIntN, 4},
                  {"Pages Moved", tds::kIntN, 4},
                  {"Pages Removed", tds::kIntN, 4}});
    out.IniciaFila();
    out.Entero(paginas, 4);
    out.Entero(std::lround(paginas * std::max(0.0, 100.0 - antes) / 100.0), 4);
    out.Entero(paginas / 50, 4);
    return FinDbcc(out, 1, s.noInfoMsgs);
}

Resultado Ejecutor::Hacer(const ShrinkFile& s, ContextoSesion& ctx, EscritorTds& out) {
    const BaseEsc& base = esc_.bases[ctx.base];
    std::optional<size_t> archivo;
    for (size_t k = 0; k < base.archivos.size() && !archivo; ++k) {
        const ArchivoEsc& a = base.archivos[k];
        if (s.archivo.numero ? a.fileId == *s.archivo.numero
                             : Mayus(a.nombre) == Mayus(s.archivo.nombre)) {
            archivo = k;
        }
    }
    if (!archivo) {
        return Falla(
            out,
            {{8985, 1, 16,
              "Could not locate file '" + TextoObjeto(s.archivo) + "' for database '" +
                  base.nombre +
                  "' in sys.database_files. The file either does not exist, or was dropped."}});
    }
    const ArchivoEsc& a = base.archivos[*archivo];
    const int64_t nuevo = std::max({s.objetivoMB.value_or(0), a.usadoMB, int64_t{1}});
    const int64_t actual = estado_.TamanoMB(ctx.base, *archivo);
    if (nuevo < actual) estado_.FijaTamanoMB(ctx.base, *archivo, nuevo);
    const int64_t paginas = std::min(nuevo, actual) * 128;
    out.Columnas({{"DbId", tds::kIntN, 2},
                  {"FileId", tds::kIntN, 2},
                  {"CurrentSize", tds::kIntN, 4},
                  {"MinimumSize", tds::kIntN, 4},
                  {"UsedPages", tds::kIntN, 4},
                  {"EstimatedPages", tds::kIntN, 4}});
    out.IniciaFila();
    out.Entero(base.dbId, 2);
    out.Entero(a.fileId, 2);
    out.Entero(paginas, 4);
    out.Entero(128, 4);
    out.Entero(a.usadoMB * 128, 4);
    out.Entero(a.usadoMB * 128, 4);
    return FinDbcc(out, 1, s.noInfoMsgs);
}

Resultado Ejecutor::Hacer(const Backup& s, ContextoSesion&, EscritorTds& out) {
    const char* que = s.log ? "BACKUP LOG" : "BACKUP DATABASE";
    const MensajeSql termina{3013, 1, 16, std::string(que) + " is terminating abnormally."};
    for (const std::string& o : s.opciones) {
        if (!OpcionBackupConocida(o, esc_.version)) {
            return Falla(out, {{155, 1, 15, "'" + o + "' is not a recognized BACKUP option."}});
        }
    }
    const BaseEsc* base = esc_.Base(s.base);
    if (!base) {
        return Falla(out, {{911, 1, 16,
                            "Database '" + s.base +
                                "' does not exist. Make sure that the name is entered correctly."},
                           termina});
    }
    const size_t posBase = static_cast<size_t>(base - esc_.bases.data());
    if (!s.disco)
        return Resultado{};  // WITH TRUNCATE_ONLY / NO_LOG on a server that still has them
    if (s.log && base->recuperacionSimple) {
        return Falla(out, {{4208, 1, 16,
                            "The statement BACKUP LOG is not allowed while the recovery model is "
                            "SIMPLE. Use BACKUP "
                            "DATABASE or change the recovery model using ALTER DATABASE."},
                           termina});
    }
    if (s.log && !estado_.Respaldada(posBase)) {
        return Falla(
            out, {{4214, 1, 16,
                   "BACKUP LOG cannot be performed because there is no current database backup."},
                  termina});
    }
    // Paths may be written the Windows way: "\" separates folders just as "/".
    std::string ruta = *s.disco;
    std::replace(ruta.begin(), ruta.end(), '\\', '/');
    const std::filesystem::path destino(ruta);
    std::error_code ec;
    const bool carpeta =
        destino.parent_path().empty() || std::filesystem::is_directory(destino.parent_path(), ec);
    bool escrito = false;
    if (carpeta) {
        std::ofstream f(destino, std::ios::binary | std::ios::trunc);
        f << ContenidoRespaldo(que, base->nombre, ConChecksum(s.opciones));
        escrito = static_cast<bool>(f);
    }
    if (!escrito) {
        const std::string so =
            carpeta ? "5(Access is denied.)" : "3(The system cannot find the path specified.)";
        return Falla(out, {{3201, 1, 16,
                            "Cannot open backup device '" + *s.disco +
                                "'. Operating system error " + so + "."},
                           termina});
    }
    int64_t paginas = 0;
    for (const ArchivoEsc& a : base->archivos) {
        if (s.log && !a.log) continue;
        const int64_t p = a.usadoMB * 128;
        paginas += p;
        out.Mensaje(Info(4035, "Processed " + std::to_string(p) + " pages for database '" +
                                   base->nombre + "', file '" + a.nombre + "' on file 1."));
    }
    if (!s.log) estado_.MarcaRespaldada(posBase);
    estado_.AnotaRespaldo(
        {posBase, s.log, ConChecksum(s.opciones), std::chrono::system_clock::now()});
    const double segundos =
        std::max(0.001, esc_.Duracion(s.log ? "backuplog" : "backupdatabase") / 1000.0);
    char texto[200];
    std::snprintf(texto, sizeof texto,
                  "%s successfully processed %lld pages in %.3f seconds (%.3f MB/sec).", que,
                  static_cast<long long>(paginas), segundos, paginas / 128.0 / segundos);
    out.Mensaje(Info(3014, texto));
    return Resultado{};
}

Resultado Ejecutor::Hacer(const Seleccion& s, ContextoSesion& ctx, EscritorTds& out) {
    std::vector<MensajeSql> errores;
    const auto filas = consulta_.Ejecuta(s, ctx, out, errores);
    if (!filas) {
        for (const MensajeSql& m : errores) out.Mensaje(m);
        return Resultado{true, std::nullopt, false, errores.empty() ? 0 : errores.front().numero};
    }
    return Resultado{false, filas};
}

Resultado Ejecutor::Hacer(const AlterIndex& s, ContextoSesion& ctx, EscritorTds& out,
                          const Esperar& espera) {
    const BaseEsc& base = esc_.bases[ctx.base];
    const auto t = base.Tabla(s.tabla);
    if (!t) {
        std::string escrito;
        for (const std::string& parte : s.tabla) escrito += (escrito.empty() ? "" : ".") + parte;
        return Falla(out, {{1088, 1, 16,
                            "Cannot find the object \"" + escrito +
                                "\" because it does not exist or you do not have permissions."}});
    }
    std::vector<size_t> elegidos;
    for (size_t i : base.tablas[*t].indices) {
        const IndiceEsc& ind = base.indices[i];
        if (ind.id != 0 && (s.indice.empty() || Mayus(ind.nombre) == Mayus(s.indice))) {
            elegidos.push_back(i);
        }
    }
    if (elegidos.empty()) {
        return Falla(out, {{2727, 1, 11, "Cannot find index '" + s.indice + "'."}});
    }
    if (s.enLinea && !esc_.IndicesEnLinea()) {
        return Falla(out, {{1712, 1, 16,
                            "Online index operations can only be performed in Enterprise edition "
                            "of SQL Server."}});
    }
    if (auto fin = EsperaIndices("alterindex", ctx.base, elegidos, ctx, espera, out)) return *fin;
    for (size_t i : elegidos) {
        const double antes = estado_.Densidad(ctx.base, i);
        estado_.FijaDensidad(ctx.base, i,
                             s.reconstruir ? 100.0 : std::max(antes, base.densidadDefrag));
    }
    return Resultado{};
}

Resultado Ejecutor::Hacer(const VerificaRespaldo& s, ContextoSesion&, EscritorTds& out) {
    const MensajeSql termina{3013, 1, 16, "VERIFY DATABASE is terminating abnormally."};
    std::string ruta = s.disco;
    std::replace(ruta.begin(), ruta.end(), '\\', '/');
    std::ifstream f(ruta, std::ios::binary);
    if (!f) {
        return Falla(out, {{3201, 1, 16,
                            "Cannot open backup device '" + s.disco +
                                "'. Operating system error 2(The system cannot find the file "
                                "specified.)."},
                           termina});
    }
    const std::string contenido((std::istreambuf_iterator<char>(f)),
                                std::istreambuf_iterator<char>());
    const bool conChecksum = ConChecksum(s.opciones);
    switch (LeeRespaldo(contenido)) {
        case EstadoRespaldo::Danado:
            return Falla(out, {{3241, 1, 16,
                                "The media family on device '" + s.disco +
                                    "' is incorrectly formed. SQL Server cannot process this "
                                    "media family."},
                               termina});
        case EstadoRespaldo::SinChecksum:
            if (conChecksum) {
                return Falla(out, {{3187, 1, 16,
                                    "RESTORE WITH CHECKSUM cannot be specified because the backup "
                                    "set does not contain checksum information."},
                                   termina});
            }
            break;
        case EstadoRespaldo::Valido:
            break;
    }
    out.Mensaje(Info(3262, "The backup set on file 1 is valid."));
    return Resultado{};
}

Resultado Ejecutor::Hacer(const UpdateStats&, ContextoSesion& ctx, EscritorTds& out) {
    const BaseEsc& base = esc_.bases[ctx.base];
    for (const TablaEsc& t : base.tablas) {
        out.Mensaje(Info(15650, "Updating [" + t.esquema + "].[" + t.nombre + "]"));
        out.Mensaje(Info(
            15651, "    " + std::to_string(t.indices.size()) +
                       " index(es)/statistic(s) have been updated, 0 did not require update."));
    }
    out.Mensaje(Info(15653, "Statistics for all tables have been updated."));
    return Resultado{};
}

Resultado Ejecutor::Hacer(const Uso& s, ContextoSesion& ctx, EscritorTds& out) {
    const BaseEsc* base = esc_.Base(s.base);
    if (!base) {
        return Falla(out,
                     {{911, 1, 16,
                       "Database '" + s.base +
                           "' does not exist. Make sure that the name is entered correctly."}});
    }
    out.CambioBase(base->nombre, esc_.bases[ctx.base].nombre);
    out.Mensaje(Info(5701, "Changed database context to '" + base->nombre + "'."));
    ctx.base = static_cast<size_t>(base - esc_.bases.data());
    return Resultado{};
}

Resultado Ejecutor::Hacer(const Fijar& s, ContextoSesion& ctx, EscritorTds& out) {
    if (s.opciones.empty()) return Resultado{};
    const std::string& opcion = s.opciones.front();
    if (s.numero) {
        if (opcion == "LOCK_TIMEOUT") ctx.lockTimeout = *s.numero;
        // 0 gives TEXTSIZE back its default of 4 KB.
        if (opcion == "TEXTSIZE") ctx.textSize = *s.numero == 0 ? 4096 : *s.numero;
        if (opcion == "DATEFIRST") ctx.dateFirst = *s.numero;
        if (opcion == "ROWCOUNT") ctx.filasMaximas = std::max<int64_t>(0, *s.numero);
        return Resultado{};
    }
    // ON/OFF options: their @@OPTIONS bits; ANSI_DEFAULTS stands for seven of them.
    int32_t bits = 0;
    for (const std::string& o : s.opciones) {
        bits |= o == "ANSI_DEFAULTS"
                    ? (BitOpcion("ANSI_NULLS") | BitOpcion("CURSOR_CLOSE_ON_COMMIT") |
                       BitOpcion("ANSI_NULL_DFLT_ON") | BitOpcion("IMPLICIT_TRANSACTIONS") |
                       BitOpcion("ANSI_PADDING") | BitOpcion("QUOTED_IDENTIFIER") |
                       BitOpcion("ANSI_WARNINGS"))
                    : BitOpcion(o);
    }
    if (bits == 0) return Resultado{};
    if (s.valor != "ON" && s.valor != "OFF") {
        return Falla(out, {{102, 1, 15, "Incorrect syntax near '" + s.valor + "'."}});
    }
    ctx.opciones = s.valor == "ON" ? (ctx.opciones | bits) : (ctx.opciones & ~bits);
    return Resultado{};
}

Resultado Ejecutor::Hacer(const Procedimiento& s, ContextoSesion&, EscritorTds& out) {
    return Falla(out, {{2812, 62, 16, "Could not find stored procedure '" + s.nombre + "'."}});
}

}  // namespace velqor::sqlsim
