#include "AnalizadorSql.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <initializer_list>

#include "Lexico.h"

namespace velqor::sqlsim {
namespace {

using TT = Token::Tipo;

struct FalloSintaxis {
    MensajeSql error;
};

bool IgualSinCaso(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

std::string Mayusculas(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

int64_t AEntero(const std::string& texto) {
    int64_t v = 0;
    std::from_chars(texto.data(), texto.data() + texto.size(), v);
    return v;
}

class Analizador {
  public:
    explicit Analizador(std::vector<Token> tokens) : t_(std::move(tokens)) {}

    Lote Analiza() {
        Lote lote;
        try {
            bool primera = true;
            while (Actual().tipo != TT::Fin) {
                if (EsSimbolo(";")) {
                    ++p_;
                    continue;
                }
                lote.comandos.push_back(Sentencia(primera));
                primera = false;
                if (EsSimbolo(";")) ++p_;
                if (Actual().tipo != TT::Fin && !EsInicioSentencia()) throw Sintaxis();
            }
        } catch (const FalloSintaxis& f) {
            lote.comandos.clear();
            lote.errores.push_back(f.error);
        }
        return lote;
    }

  private:
    std::vector<Token> t_;
    size_t p_ = 0;

    const Token& Actual() const { return t_[p_]; }
    const Token& Siguiente() const { return t_[std::min(p_ + 1, t_.size() - 1)]; }

    FalloSintaxis Sintaxis() const {
        if (Actual().tipo == TT::Fin) return {ErrorSintaxis(p_ > 0 ? t_[p_ - 1].fuente : "")};
        return {ErrorSintaxis(Actual().fuente)};
    }

    bool EsPalabra(std::string_view kw) const {
        return Actual().tipo == TT::Palabra && IgualSinCaso(Actual().valor, kw);
    }
    bool EsSimbolo(std::string_view s) const {
        return Actual().tipo == TT::Simbolo && Actual().valor == s;
    }
    bool Acepta(std::string_view kw) {
        if (!EsPalabra(kw)) return false;
        ++p_;
        return true;
    }
    bool AceptaSimbolo(std::string_view s) {
        if (!EsSimbolo(s)) return false;
        ++p_;
        return true;
    }
    void Espera(std::string_view kw) {
        if (!Acepta(kw)) throw Sintaxis();
    }
    void EsperaSimbolo(std::string_view s) {
        if (!AceptaSimbolo(s)) throw Sintaxis();
    }

    // Words that can never name a column or stand as an alias.
    bool EsReservada() const {
        for (const char* kw :
             {"FROM",    "WHERE",  "AND",    "OR",       "NOT",   "LIKE",    "IS",
              "AS",      "SELECT", "SET",    "USE",      "DBCC",  "BACKUP",  "EXEC",
              "EXECUTE", "BEGIN",  "COMMIT", "ROLLBACK", "IF",    "DECLARE", "TOP",
              "ORDER",   "GROUP",  "BY",     "HAVING",   "UNION", "INTO",    "WITH",
              "TO",      "IN",     "ALTER",  "ASC",      "DESC"}) {
            if (EsPalabra(kw)) return true;
        }
        return false;
    }

    bool EsInicioSentencia() const {
        for (const char* kw : {"SELECT", "SET", "USE", "DBCC", "BACKUP", "EXEC", "EXECUTE", "BEGIN",
                               "COMMIT", "ROLLBACK", "IF", "DECLARE", "ALTER", "RESTORE"}) {
            if (EsPalabra(kw)) return true;
        }
        return false;
    }

    // A name: a word or a [bracketed]/"quoted" identifier.
    std::string Nombre() {
        if (Actual().tipo != TT::Palabra && Actual().tipo != TT::Identificador) throw Sintaxis();
        return t_[p_++].valor;
    }

    // A dotted name (db.schema.object): the parts joined with '.'.
    std::string NombreCompuesto() {
        std::string nombre = Nombre();
        while (AceptaSimbolo(".")) nombre += "." + Nombre();
        return nombre;
    }

    // A dotted name's parts, quoting undone; "db..t" keeps its empty schema part.
    std::vector<std::string> PartesCompuestas() {
        std::vector<std::string> partes{Nombre()};
        while (AceptaSimbolo(".")) partes.push_back(EsSimbolo(".") ? std::string() : Nombre());
        return partes;
    }

    Comando Sentencia(bool primera) {
        if (Acepta("DBCC")) return Dbcc();
        if (Acepta("BACKUP")) return BackupSentencia();
        if (Acepta("SELECT")) return SeleccionSentencia();
        if (Acepta("USE")) return Uso{Nombre()};
        if (Acepta("ALTER")) return AlterIndexSentencia();
        if (Acepta("RESTORE")) return VerificaSentencia();
        if (Acepta("EXEC") || Acepta("EXECUTE")) return Llamada();
        if (Acepta("SET")) return FijarSentencia();
        for (const char* kw : {"BEGIN", "COMMIT", "ROLLBACK", "IF", "DECLARE"}) {
            if (Acepta(kw)) {
                SaltaHastaFinDeSentencia();
                return Fijar{};
            }
        }
        // The first statement of a batch may name a procedure without EXEC.
        if (primera && (Actual().tipo == TT::Palabra || Actual().tipo == TT::Identificador)) {
            return Llamada();
        }
        throw Sintaxis();
    }

    // SET option[, option...] value, SET TRANSACTION ISOLATION LEVEL level; SET @variable = ...
    // is accepted and ignored. The options that take a number refuse anything else.
    Comando FijarSentencia() {
        Fijar f;
        if (Actual().tipo == TT::Variable) {
            SaltaHastaFinDeSentencia();
            return f;
        }
        if (Acepta("TRANSACTION")) {
            Espera("ISOLATION");
            Espera("LEVEL");
            f.opciones.push_back("TRANSACTION ISOLATION LEVEL");
            while (Actual().tipo == TT::Palabra && !EsInicioSentencia()) {
                f.valor += (f.valor.empty() ? "" : " ") + Mayusculas(t_[p_++].valor);
            }
            if (f.valor.empty()) throw Sintaxis();
            return f;
        }
        // The tokens up to the statement's end: option words (a comma between options), then the
        // value as the last token.
        std::vector<Token> resto;
        while (Actual().tipo != TT::Fin && !EsSimbolo(";") && !EsInicioSentencia()) {
            resto.push_back(t_[p_++]);
        }
        if (resto.size() < 2) throw Sintaxis();
        const Token& valor = resto.back();
        size_t fin = resto.size() - 1;
        if (valor.tipo == TT::Numero) {
            const bool negativo =
                fin > 0 && resto[fin - 1].tipo == TT::Simbolo && resto[fin - 1].valor == "-";
            if (negativo) --fin;
            f.numero = (negativo ? -1 : 1) * AEntero(valor.valor);
        } else if (valor.tipo == TT::Simbolo) {
            throw FalloSintaxis{ErrorSintaxis(valor.fuente)};
        } else {
            f.valor = Mayusculas(valor.valor);
        }
        std::string opcion;
        for (size_t k = 0; k < fin; ++k) {
            if (resto[k].tipo == TT::Simbolo && resto[k].valor == ",") {
                f.opciones.push_back(opcion);
                opcion.clear();
            } else if (resto[k].tipo == TT::Simbolo && resto[k].valor == "." && !opcion.empty()) {
                opcion += ".";  // SET IDENTITY_INSERT schema.table ON
            } else if (resto[k].tipo == TT::Palabra || resto[k].tipo == TT::Identificador) {
                const bool pegado = !opcion.empty() && opcion.back() == '.';
                opcion += (opcion.empty() || pegado ? "" : " ") + Mayusculas(resto[k].valor);
            } else {
                throw FalloSintaxis{ErrorSintaxis(resto[k].fuente)};
            }
        }
        if (opcion.empty()) throw FalloSintaxis{ErrorSintaxis(resto[fin].fuente)};
        f.opciones.push_back(opcion);
        for (const char* numerica : {"LOCK_TIMEOUT", "TEXTSIZE", "DATEFIRST", "ROWCOUNT"}) {
            if (f.opciones.front() == numerica && !f.numero && valor.tipo != TT::Variable) {
                throw FalloSintaxis{ErrorSintaxis(valor.fuente)};
            }
        }
        return f;
    }

    void SaltaHastaFinDeSentencia() {
        while (Actual().tipo != TT::Fin && !EsSimbolo(";") && !EsInicioSentencia()) ++p_;
    }

    Comando Llamada() {
        const std::string nombre = NombreCompuesto();
        SaltaHastaFinDeSentencia();
        std::string corto =
            nombre.substr(nombre.rfind('.') == std::string::npos ? 0 : nombre.rfind('.') + 1);
        if (IgualSinCaso(corto, "sp_updatestats")) return UpdateStats{};
        return Procedimiento{nombre};
    }

    // One DBCC argument: a string, a number (optionally signed) or a name.
    Objeto Argumento() {
        const Token& tok = Actual();
        if (tok.tipo == TT::Cadena || tok.tipo == TT::Palabra || tok.tipo == TT::Identificador) {
            ++p_;
            return Objeto{tok.valor, std::nullopt, tok.tipo == TT::Cadena ? tok.valor : tok.fuente};
        }
        bool negativo = false;
        if (EsSimbolo("-")) {
            negativo = true;
            ++p_;
        }
        if (Actual().tipo != TT::Numero) throw Sintaxis();
        const int64_t n = AEntero(t_[p_++].valor);
        return Objeto{"", negativo ? -n : n, ""};
    }

    std::vector<Objeto> ListaArgumentos(bool parentesisObligatorio) {
        std::vector<Objeto> args;
        if (!AceptaSimbolo("(")) {
            if (parentesisObligatorio) throw Sintaxis();
            return args;
        }
        if (AceptaSimbolo(")")) return args;
        args.push_back(Argumento());
        while (AceptaSimbolo(",")) args.push_back(Argumento());
        EsperaSimbolo(")");
        return args;
    }

    std::vector<std::string> OpcionesWith() {
        std::vector<std::string> opciones;
        if (!Acepta("WITH")) return opciones;
        do {
            opciones.push_back(Mayusculas(Nombre()));
            if (AceptaSimbolo("=")) Argumento();
        } while (AceptaSimbolo(","));
        return opciones;
    }

    static bool Tiene(const std::vector<std::string>& opciones, std::string_view o) {
        return std::find(opciones.begin(), opciones.end(), o) != opciones.end();
    }

    static MensajeSql DbccIncorrecto() {
        return {2526, 1, 16,
                "Incorrect DBCC statement. Check the documentation for the correct DBCC syntax and "
                "options."};
    }

    Comando Dbcc() {
        if (Actual().tipo != TT::Palabra) throw Sintaxis();
        const std::string orden = Mayusculas(Actual().valor);
        ++p_;
        if (orden == "SHOWCONTIG") {
            const auto args = ListaArgumentos(false);
            const auto opciones = OpcionesWith();
            if (args.size() > 2) throw Sintaxis();
            ShowContig s;
            if (!args.empty()) s.tabla = args[0];
            if (args.size() > 1) s.indice = args[1];
            s.fast = Tiene(opciones, "FAST");
            s.tableResults = Tiene(opciones, "TABLERESULTS");
            s.allIndexes = Tiene(opciones, "ALL_INDEXES");
            s.noInfoMsgs = Tiene(opciones, "NO_INFOMSGS");
            return s;
        }
        if (orden == "DBREINDEX") {
            const auto args = ListaArgumentos(true);
            const auto opciones = OpcionesWith();
            if (args.empty() || args.size() > 3) throw FalloSintaxis{DbccIncorrecto()};
            DbReindex d{args[0], std::nullopt, Tiene(opciones, "NO_INFOMSGS")};
            if (args.size() > 1 && !(args[1].nombre.empty() && !args[1].numero)) d.indice = args[1];
            return d;
        }
        if (orden == "INDEXDEFRAG") {
            const auto args = ListaArgumentos(true);
            const auto opciones = OpcionesWith();
            if (args.size() < 3 || args.size() > 4) throw FalloSintaxis{DbccIncorrecto()};
            return IndexDefrag{args[0], args[1], args[2], Tiene(opciones, "NO_INFOMSGS")};
        }
        if (orden == "SHRINKFILE") {
            const auto args = ListaArgumentos(true);
            const auto opciones = OpcionesWith();
            if (args.empty() || args.size() > 3) throw FalloSintaxis{DbccIncorrecto()};
            ShrinkFile s{args[0], std::nullopt, Tiene(opciones, "NO_INFOMSGS")};
            if (args.size() > 1) {
                if (!args[1].numero) throw FalloSintaxis{DbccIncorrecto()};
                s.objetivoMB = args[1].numero;
            }
            return s;
        }
        throw FalloSintaxis{DbccIncorrecto()};
    }

    Comando BackupSentencia() {
        Backup b;
        if (Acepta("LOG")) {
            b.log = true;
        } else if (!Acepta("DATABASE")) {
            throw Sintaxis();
        }
        if (Actual().tipo == TT::Variable) {
            b.base = t_[p_++].valor;
        } else {
            b.base = Nombre();
        }
        if (Acepta("TO")) {
            do {
                Espera("DISK");
                EsperaSimbolo("=");
                if (Actual().tipo != TT::Cadena) throw Sintaxis();
                if (!b.disco) b.disco = Actual().valor;
                ++p_;
            } while (AceptaSimbolo(","));
        }
        b.opciones = OpcionesWith();
        if (!b.disco && b.opciones.empty()) throw Sintaxis();
        return b;
    }

    Comando AlterIndexSentencia() {
        Espera("INDEX");
        AlterIndex a;
        if (!Acepta("ALL")) a.indice = Nombre();
        Espera("ON");
        a.tabla = PartesCompuestas();
        if (Acepta("REBUILD")) {
            a.reconstruir = true;
        } else if (!Acepta("REORGANIZE")) {
            throw Sintaxis();
        }
        // Of the options and a PARTITION clause only ONLINE = ON changes what sqlsim does.
        while (Actual().tipo != TT::Fin && !EsSimbolo(";") && !EsInicioSentencia()) {
            if (a.reconstruir && EsPalabra("ONLINE") && Siguiente().tipo == TT::Simbolo &&
                Siguiente().valor == "=") {
                p_ += 2;
                a.enLinea = EsPalabra("ON");
                if (Actual().tipo == TT::Fin) throw Sintaxis();
            }
            ++p_;
        }
        return a;
    }

    // RESTORE VERIFYONLY FROM DISK='...' [, DISK='...'] [WITH ...]; sqlsim restores nothing else.
    Comando VerificaSentencia() {
        Espera("VERIFYONLY");
        Espera("FROM");
        VerificaRespaldo v;
        do {
            Espera("DISK");
            EsperaSimbolo("=");
            if (Actual().tipo != TT::Cadena) throw Sintaxis();
            if (v.disco.empty()) v.disco = Actual().valor;
            ++p_;
        } while (AceptaSimbolo(","));
        v.opciones = OpcionesWith();
        return v;
    }

    Comando SeleccionSentencia() {
        Seleccion s;
        if (Acepta("TOP")) {
            const bool par = AceptaSimbolo("(");
            if (Actual().tipo != TT::Numero) throw Sintaxis();
            s.top = AEntero(t_[p_++].valor);
            if (par) EsperaSimbolo(")");
        }
        do {
            ElementoSeleccion e;
            if (AceptaSimbolo("*")) {
                e.todas = true;
            } else {
                e.valor = Valor();
                if (Acepta("AS")) {
                    e.alias = Actual().tipo == TT::Cadena ? t_[p_++].valor : Nombre();
                } else if ((Actual().tipo == TT::Palabra && !EsReservada()) ||
                           Actual().tipo == TT::Identificador) {
                    e.alias = Nombre();
                }
            }
            s.elementos.push_back(std::move(e));
        } while (AceptaSimbolo(","));
        if (Acepta("FROM")) {
            s.tabla = NombreCompuesto();
            if (AceptaSimbolo("(")) {
                s.argumentos.emplace();
                if (!AceptaSimbolo(")")) {
                    do s.argumentos->push_back(Valor());
                    while (AceptaSimbolo(","));
                    EsperaSimbolo(")");
                }
            }
            // An alias: columns may be written alias.column; the prefix is dropped anyway.
            if (Acepta("AS")) {
                Nombre();
            } else if ((Actual().tipo == TT::Palabra && !EsReservada()) ||
                       Actual().tipo == TT::Identificador) {
                Nombre();
            }
            if (Acepta("WHERE")) s.donde = Condicion();
            if (Acepta("ORDER")) {
                Espera("BY");
                do {
                    Orden o{Valor(), false};
                    if (Acepta("DESC")) {
                        o.descendente = true;
                    } else {
                        Acepta("ASC");
                    }
                    s.orden.push_back(std::move(o));
                } while (AceptaSimbolo(","));
            }
        }
        return s;
    }

    Expresion Condicion() {
        Expresion izq = CondicionY();
        while (Acepta("OR")) {
            Expresion o{Expresion::Tipo::O, "OR", 0, {std::move(izq), CondicionY()}};
            izq = std::move(o);
        }
        return izq;
    }

    Expresion CondicionY() {
        Expresion izq = CondicionNo();
        while (Acepta("AND")) {
            Expresion y{Expresion::Tipo::Y, "AND", 0, {std::move(izq), CondicionNo()}};
            izq = std::move(y);
        }
        return izq;
    }

    Expresion CondicionNo() {
        if (Acepta("NOT")) return Expresion{Expresion::Tipo::No, "NOT", 0, {CondicionNo()}};
        if (AceptaSimbolo("(")) {
            Expresion dentro = Condicion();
            EsperaSimbolo(")");
            return dentro;
        }
        return Predicado();
    }

    Expresion Predicado() {
        Expresion izq = Valor();
        if (Acepta("IS")) {
            const bool no = Acepta("NOT");
            Espera("NULL");
            Expresion e{Expresion::Tipo::EsNulo, "IS NULL", 0, {std::move(izq)}};
            return no ? Expresion{Expresion::Tipo::No, "NOT", 0, {std::move(e)}} : e;
        }
        const bool no = Acepta("NOT");
        std::string op;
        if (Acepta("LIKE")) {
            op = "LIKE";
        } else if (!no && Actual().tipo == TT::Simbolo) {
            for (const char* o : {"=", "<>", "!=", "<", ">", "<=", ">="}) {
                if (EsSimbolo(o)) op = o;
            }
            if (op.empty()) throw Sintaxis();
            ++p_;
        } else {
            throw Sintaxis();
        }
        Expresion c{Expresion::Tipo::Comparacion, op, 0, {std::move(izq), Valor()}};
        return no ? Expresion{Expresion::Tipo::No, "NOT", 0, {std::move(c)}} : c;
    }

    Expresion Valor() {
        const Token& tok = Actual();
        switch (tok.tipo) {
            case TT::Cadena:
                ++p_;
                return Expresion{Expresion::Tipo::Texto, tok.valor, 0, {}};
            case TT::Numero:
                ++p_;
                return Expresion{Expresion::Tipo::Numero, tok.valor, AEntero(tok.valor), {}};
            case TT::Variable:
                ++p_;
                return Expresion{Expresion::Tipo::Variable, Mayusculas(tok.valor), 0, {}};
            case TT::Simbolo:
                if (tok.valor == "-" && Siguiente().tipo == TT::Numero) {
                    ++p_;
                    const int64_t n = AEntero(Actual().valor);
                    return Expresion{Expresion::Tipo::Numero, "-" + t_[p_++].valor, -n, {}};
                }
                throw Sintaxis();
            case TT::Palabra:
                if (EsReservada()) throw Sintaxis();
                if (EsPalabra("NULL")) {
                    ++p_;
                    return Expresion{Expresion::Tipo::Nulo, "NULL", 0, {}};
                }
                if (EsPalabra("CAST") && Siguiente().tipo == TT::Simbolo &&
                    Siguiente().valor == "(") {
                    // CAST(expr AS type[(n)]): the type's name travels as a second child.
                    p_ += 2;
                    Expresion f{Expresion::Tipo::Funcion, "CAST", 0, {Valor()}};
                    Espera("AS");
                    f.hijos.push_back(
                        Expresion{Expresion::Tipo::Texto, Mayusculas(Nombre()), 0, {}});
                    if (AceptaSimbolo("(")) {
                        if (!AceptaSimbolo(")")) {
                            if (Actual().tipo != TT::Numero && !EsPalabra("MAX")) throw Sintaxis();
                            ++p_;
                            EsperaSimbolo(")");
                        }
                    }
                    EsperaSimbolo(")");
                    return f;
                }
                if (Siguiente().tipo == TT::Simbolo && Siguiente().valor == "(") {
                    Expresion f{Expresion::Tipo::Funcion, Mayusculas(tok.valor), 0, {}};
                    p_ += 2;
                    if (!AceptaSimbolo(")")) {
                        do f.hijos.push_back(Valor());
                        while (AceptaSimbolo(","));
                        EsperaSimbolo(")");
                    }
                    return f;
                }
                [[fallthrough]];
            case TT::Identificador: {
                std::string nombre = NombreCompuesto();
                const size_t punto = nombre.rfind('.');
                if (punto != std::string::npos) nombre = nombre.substr(punto + 1);
                return Expresion{Expresion::Tipo::Columna, nombre, 0, {}};
            }
            case TT::Fin:
                break;
        }
        throw Sintaxis();
    }
};

}  // namespace

Lote AnalizaLote(std::string_view texto) {
    Lote lote;
    std::vector<Token> tokens = Tokeniza(texto, lote.errores);
    if (!lote.errores.empty()) return lote;
    return Analizador(std::move(tokens)).Analiza();
}

}  // namespace velqor::sqlsim
