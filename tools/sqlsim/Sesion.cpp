#include "Sesion.h"

#include <cctype>
#include <cstring>
#include <vector>

#include "AnalizadorSql.h"
#include "Utf16.h"

namespace velqor::sqlsim {
namespace {

// Reads little-endian fields from a client message; any read past the end marks it broken.
class Lector {
  public:
    explicit Lector(const std::string& d, size_t p = 0) : d_(d), p_(p) {}
    bool Bien() const { return bien_; }
    bool Fin() const { return p_ >= d_.size(); }
    size_t Pos() const { return p_; }
    const uint8_t* Bytes(size_t n) {
        if (!bien_ || p_ + n > d_.size()) {
            bien_ = false;
            return nullptr;
        }
        const auto* b = reinterpret_cast<const uint8_t*>(d_.data() + p_);
        p_ += n;
        return b;
    }
    uint64_t Entero(size_t n) {
        const uint8_t* b = Bytes(n);
        uint64_t v = 0;
        for (size_t i = 0; b && i < n; ++i) v |= uint64_t{b[i]} << (8 * i);
        return v;
    }
    std::string Utf16(size_t caracteres) {
        const uint8_t* b = Bytes(caracteres * 2);
        return b ? DeUtf16(b, caracteres) : "";
    }

  private:
    const std::string& d_;
    size_t p_;
    bool bien_ = true;
};

struct Parametro {
    std::string nombre;
    ValorSql valor;
};

int64_t ConSigno(uint64_t v, size_t bytes) {
    if (bytes < 8 && (v >> (8 * bytes - 1)) & 1) v |= ~uint64_t{0} << (8 * bytes);
    return static_cast<int64_t>(v);
}

ValorSql Texto(std::string t) { return ValorSql{ValorSql::Tipo::Texto, 0, std::move(t)}; }

// Reads one RPC parameter (name, status, TYPE_INFO, value). False on a type sqlsim cannot read.
bool LeeParametro(Lector& l, bool tds72, Parametro& p) {
    p.nombre = l.Utf16(l.Entero(1));
    l.Entero(1);  // status
    const auto tipo = static_cast<uint8_t>(l.Entero(1));
    ValorSql& v = p.valor;
    switch (tipo) {
        case 0x30:
        case 0x34:
        case 0x38:
        case 0x7F:
        case 0x32: {  // fixed-length integers, bit
            const size_t n = tipo == 0x30 || tipo == 0x32 ? 1
                             : tipo == 0x34               ? 2
                             : tipo == 0x38               ? 4
                                                          : 8;
            v = ValorSql{ValorSql::Tipo::Entero, ConSigno(l.Entero(n), n), ""};
            return l.Bien();
        }
        case 0x3E:
        case 0x3B:
        case 0x3D:
        case 0x3A: {  // FLT8, FLT4, DATETIME, SMALLDATETIME
            l.Bytes(tipo == 0x3E || tipo == 0x3D ? 8 : 4);
            return l.Bien();
        }
        case 0x26:
        case 0x68:
        case 0x6D:
        case 0x6F:
        case 0x24:
        case 0x6E: {  // xxxN: max length byte
            l.Entero(1);
            const size_t n = l.Entero(1);
            if (n > 0 && (tipo == 0x26 || tipo == 0x68)) {
                v = ValorSql{ValorSql::Tipo::Entero, ConSigno(l.Entero(n), n), ""};
            } else {
                l.Bytes(n);
            }
            return l.Bien();
        }
        case 0x6A:
        case 0x6C: {  // DECIMALN, NUMERICN
            l.Bytes(3);
            l.Bytes(l.Entero(1));
            return l.Bien();
        }
        case 0x28: {  // DATEN
            l.Bytes(l.Entero(1));
            return l.Bien();
        }
        case 0x29:
        case 0x2A:
        case 0x2B: {  // TIMEN, DATETIME2N, DATETIMEOFFSETN
            l.Entero(1);
            l.Bytes(l.Entero(1));
            return l.Bien();
        }
        case 0xE7:
        case 0xEF:
        case 0xA7:
        case 0xAF:
        case 0xA5:
        case 0xAD: {
            const bool unicode = tipo == 0xE7 || tipo == 0xEF;
            const bool binario = tipo == 0xA5 || tipo == 0xAD;
            const uint64_t maximo = l.Entero(2);
            if (!binario) l.Bytes(5);
            std::string bytes;
            bool nulo = false;
            if (maximo == 0xFFFF) {  // (MAX): partially length-prefixed chunks
                nulo = l.Entero(8) == ~uint64_t{0};
                for (uint64_t trozo = nulo ? 0 : l.Entero(4); trozo > 0 && l.Bien();
                     trozo = l.Entero(4)) {
                    const uint8_t* b = l.Bytes(trozo);
                    if (b) bytes.append(reinterpret_cast<const char*>(b), trozo);
                }
            } else {
                const uint64_t n = l.Entero(2);
                nulo = n == 0xFFFF;
                const uint8_t* b = nulo ? nullptr : l.Bytes(n);
                if (b) bytes.assign(reinterpret_cast<const char*>(b), n);
            }
            if (!nulo && !binario) {
                v = Texto(unicode ? DeUtf16(reinterpret_cast<const uint8_t*>(bytes.data()),
                                            bytes.size() / 2)
                                  : bytes);
            }
            return l.Bien();
        }
        case 0x63:
        case 0x23:
        case 0x22: {  // NTEXT, TEXT, IMAGE
            l.Entero(4);
            if (tipo != 0x22) l.Bytes(5);
            const uint64_t n = l.Entero(4);
            if (n == 0xFFFFFFFF) return l.Bien();
            const uint8_t* b = l.Bytes(n);
            if (b && tipo == 0x63) v = Texto(DeUtf16(b, n / 2));
            if (b && tipo == 0x23) v = Texto(std::string(reinterpret_cast<const char*>(b), n));
            return l.Bien();
        }
        default:
            (void)tds72;
            return false;
    }
}

// The parameter names of a declaration such as "@P1 INT, @P2 NVARCHAR(10)", in order.
std::vector<std::string> NombresDeclarados(const std::string& declaracion) {
    std::vector<std::string> nombres;
    size_t i = 0;
    while ((i = declaracion.find('@', i)) != std::string::npos) {
        size_t f = i + 1;
        while (f < declaracion.size() &&
               (std::isalnum(static_cast<unsigned char>(declaracion[f])) || declaracion[f] == '_'))
            ++f;
        nombres.push_back(Mayus(declaracion.substr(i, f - i)));
        i = f;
    }
    return nombres;
}

std::string RespuestaPrelogin(int versionServidor, uint8_t cifrado) {
    // Options VERSION, ENCRYPTION, INSTOPT, THREADID (empty) and MARS, the end mark, then their
    // data: the version (major, minor 0, build 2000), ENCRYPTION, an empty instance, MARS off.
    std::string carga(
        "\x00\x00\x1A\x00\x06"
        "\x01\x00\x20\x00\x01"
        "\x02\x00\x21\x00\x01"
        "\x03\x00\x22\x00\x00"
        "\x04\x00\x22\x00\x01"
        "\xFF"
        "\x0F\x00\x07\xD0\x00\x00"
        "\x02\x00\x00",
        35);
    carga[26] = static_cast<char>(versionServidor);
    carga[32] = static_cast<char>(cifrado);
    return carga;
}

// The ENCRYPTION byte of the client's PRELOGIN; a client that leaves it out supports none.
uint8_t CifradoPedido(const std::string& prelogin) {
    constexpr uint8_t kNoSoportado = 0x02;
    for (size_t i = 0; i + 5 <= prelogin.size() && prelogin[i] != static_cast<char>(0xFF); i += 5) {
        const size_t off =
            (static_cast<uint8_t>(prelogin[i + 1]) << 8) | static_cast<uint8_t>(prelogin[i + 2]);
        const size_t largo =
            (static_cast<uint8_t>(prelogin[i + 3]) << 8) | static_cast<uint8_t>(prelogin[i + 4]);
        if (prelogin[i] == 0x01 && largo >= 1 && off < prelogin.size()) {
            return static_cast<uint8_t>(prelogin[off]);
        }
    }
    return kNoSoportado;
}

}  // namespace

Sesion::Sesion(CanalTds& canal, const Escenario& escenario, const ContextoTls* tls, Estado& estado,
               Diario& diario, int spid)
    : canal_(canal),
      esc_(escenario),
      tls_(tls),
      estado_(estado),
      diario_(diario),
      ejecutor_(escenario, estado) {
    ctx_.spid = spid;
}

void Sesion::Atiende() {
    auto m = canal_.Lee();
    if (!m) return;
    if (m->tipo == 0x12) {
        constexpr uint8_t kApagado = 0x00, kNoSoportado = 0x02;
        const uint8_t pedido = CifradoPedido(m->datos);
        const uint8_t cifrado = esc_.cifrado.Respuesta(pedido);
        if (!canal_.Envia(RespuestaPrelogin(esc_.version, cifrado))) return;
        // A server that forces encryption ends the connection of a client that has none.
        if (cifrado != kNoSoportado && pedido == kNoSoportado) return;
        if (cifrado != kNoSoportado && (!tls_ || !canal_.IniciaTls(*tls_))) return;
        m = canal_.Lee();
        if (!m) return;
        // ENCRYPT_OFF: only the login travels encrypted.
        if (cifrado == kApagado) canal_.DejaTls();
        ctx_.cifrada = cifrado != kApagado && cifrado != kNoSoportado;
    }
    if (m->tipo != 0x10 || !Login(m->datos)) return;
    while ((m = canal_.Lee())) {
        bool sigue = false;
        switch (m->tipo) {
            case 0x01:
                sigue = AtiendeLote(m->datos);
                break;
            case 0x03:
                sigue = AtiendeRpc(m->datos);
                break;
            case 0x06:
                sigue = RespondeAtencion();
                break;
            case 0x0E: {
                EscritorTds out(tds72_, esc_.servidor);
                out.Done(tds::kDone, 0);
                sigue = canal_.Envia(out.Datos());
                break;
            }
            default:
                break;
        }
        if (!sigue) return;
    }
}

bool Sesion::Login(const std::string& d) {
    Lector l(d);
    l.Bytes(4);
    uint32_t version = static_cast<uint32_t>(l.Entero(4));
    const uint32_t paquete = static_cast<uint32_t>(l.Entero(4));
    if (!l.Bien() || d.size() < 86) return false;
    const auto campo = [&](size_t pos, bool clave) -> std::string {
        Lector c(d, pos);
        const size_t off = c.Entero(2), chars = c.Entero(2);
        if (off + chars * 2 > d.size()) return "";
        std::string bytes = d.substr(off, chars * 2);
        if (clave) {
            for (char& b : bytes) {
                const auto x = static_cast<uint8_t>(static_cast<uint8_t>(b) ^ 0xA5);
                b = static_cast<char>(((x << 4) | (x >> 4)) & 0xFF);
            }
        }
        return DeUtf16(reinterpret_cast<const uint8_t*>(bytes.data()), chars);
    };
    estado_.CuentaConexion();
    const std::string usuario = campo(40, false), clave = campo(44, true), base = campo(68, false);
    if (version < 0x71000000) version = 0x71000001;
    if (version > 0x74000004) version = 0x74000004;
    tds72_ = version >= 0x72000000;
    // OptionFlags2's fODBC: the server sets ANSI_DEFAULTS on with CURSOR_CLOSE_ON_COMMIT and
    // IMPLICIT_TRANSACTIONS off, and TEXTSIZE to 2 GB (up to TDS 7.2) or infinite (from 7.3).
    if (static_cast<uint8_t>(d[25]) & 0x02) {
        ctx_.opciones = BitOpcion("ANSI_WARNINGS") | BitOpcion("ANSI_PADDING") |
                        BitOpcion("ANSI_NULLS") | BitOpcion("QUOTED_IDENTIFIER") |
                        BitOpcion("ANSI_NULL_DFLT_ON");
        ctx_.textSize = version >= 0x73000000 ? -1 : 2147483647;
    }
    EscritorTds out(tds72_, esc_.servidor);

    if (const auto fallo = estado_.Fallo(true, usuario)) {
        switch (fallo->accion) {
            case FalloEsc::Accion::Cortar:
                return false;
            case FalloEsc::Accion::Colgar:
                while (canal_.EsperaAtencion(-1) != CanalTds::Espera::Cerrado) {
                }
                return false;
            case FalloEsc::Accion::Demorar:
                if (canal_.EsperaAtencion(fallo->ms) == CanalTds::Espera::Cerrado) return false;
                break;
            case FalloEsc::Accion::Error:
                out.Mensaje(fallo->error);
                out.Done(tds::kDone, tds::kError);
                canal_.Envia(out.Datos());
                return false;
        }
    }
    const MensajeSql rechazo{18456, 1, 14, "Login failed for user '" + usuario + "'."};
    const auto login = esc_.logins.find(usuario);
    if (!esc_.logins.empty() && (login == esc_.logins.end() || login->second != clave)) {
        out.Mensaje(rechazo);
        out.Done(tds::kDone, tds::kError);
        canal_.Envia(out.Datos());
        return false;
    }
    const std::string pedida = base.empty() ? esc_.baseInicial : base;
    const BaseEsc* b = esc_.Base(pedida);
    if (!b && !esc_.bases.empty()) {
        out.Mensaje(
            {4060, 1, 11,
             "Cannot open database \"" + pedida + "\" requested by the login. The login failed."});
        out.Mensaje(rechazo);
        out.Done(tds::kDone, tds::kError);
        canal_.Envia(out.Datos());
        return false;
    }
    const std::string nombre = b ? b->nombre : "master";
    ctx_.base = b ? static_cast<size_t>(b - esc_.bases.data()) : 0;
    const uint32_t tam = paquete >= 512 && paquete <= 32767 ? paquete : 4096;
    out.CambioBase(nombre, "master");
    out.Mensaje({5701, 2, 0, "Changed database context to '" + nombre + "'."});
    out.CambioIntercalacion();
    out.CambioIdioma();
    out.Mensaje({5703, 1, 0, "Changed language setting to us_english."});
    out.LoginAck(version, esc_.version);
    out.CambioPaquete(tam);
    out.Done(tds::kDone, 0);
    if (!canal_.Envia(out.Datos())) return false;
    canal_.FijaTamPaquete(tam);
    return true;
}

bool Sesion::RespondeAtencion() {
    EscritorTds primero(tds72_, esc_.servidor), acuse(tds72_, esc_.servidor);
    primero.Done(tds::kDone, 0);
    acuse.Done(tds::kDone, tds::kAtencion);
    return canal_.Envia(primero.Datos()) && canal_.Envia(acuse.Datos());
}

Sesion::Fin Sesion::Espera(int ms) {
    if (ms == 0) return Fin::Sigue;
    switch (canal_.EsperaAtencion(ms < 0 ? -1 : ms)) {
        case CanalTds::Espera::Tiempo:
            return Fin::Sigue;
        case CanalTds::Espera::Atencion:
            return RespondeAtencion() ? Fin::Cancelado : Fin::Cerrado;
        case CanalTds::Espera::Cerrado:
            break;
    }
    return Fin::Cerrado;
}

uint16_t Sesion::EstadoDone(const Resultado& r, uint16_t extra) const {
    // Under SET NOCOUNT ON no row count goes back.
    const bool cuenta = r.cuenta && !(ctx_.opciones & kNoCount);
    return static_cast<uint16_t>(extra | (r.error ? tds::kError : 0) | (cuenta ? tds::kCuenta : 0));
}

Sesion::Fin Sesion::EjecutaTexto(const std::string& texto, EscritorTds& out, Resultado& final) {
    diario_.Anota(texto);
    if (const auto fallo = estado_.Fallo(false, texto)) {
        switch (fallo->accion) {
            case FalloEsc::Accion::Cortar:
                canal_.Corta();
                return Fin::Cerrado;
            case FalloEsc::Accion::Colgar:
                // Never answers; only an ATTENTION (answered) or the client leaving ends the wait.
                if (canal_.EsperaAtencion(-1) == CanalTds::Espera::Atencion && RespondeAtencion()) {
                    return Fin::Cancelado;
                }
                return Fin::Cerrado;
            case FalloEsc::Accion::Demorar: {
                const Fin f = Espera(fallo->ms);
                if (f != Fin::Sigue) return f;
                break;
            }
            case FalloEsc::Accion::Error:
                out.Mensaje(fallo->error);
                final = Resultado{true, std::nullopt};
                return Fin::Sigue;
        }
    }
    const Lote lote = AnalizaLote(texto);
    if (!lote.errores.empty()) {
        for (const MensajeSql& e : lote.errores) out.Mensaje(e);
        final = Resultado{true, std::nullopt};
        return Fin::Sigue;
    }
    final = Resultado{};
    Fin fin = Fin::Sigue;
    const Esperar espera = [&](int ms) {
        fin = Espera(ms);
        return fin == Fin::Sigue;
    };
    for (size_t k = 0; k < lote.comandos.size(); ++k) {
        final = ejecutor_.Ejecuta(lote.comandos[k], ctx_, out, espera);
        if (final.interrumpido) return fin;
        if (k + 1 < lote.comandos.size()) {
            out.FinSentencia(EstadoDone(final, tds::kMas), final.cuenta.value_or(0));
        }
    }
    return Fin::Sigue;
}

bool Sesion::AtiendeLote(const std::string& datos) {
    size_t inicio = 0;
    if (tds72_) {
        Lector l(datos);
        inicio = l.Entero(4);
        if (!l.Bien() || inicio > datos.size()) return false;
    }
    const std::string texto = DeUtf16(reinterpret_cast<const uint8_t*>(datos.data() + inicio),
                                      (datos.size() - inicio) / 2);
    EscritorTds out(tds72_, esc_.servidor);
    Resultado final;
    const Fin f = EjecutaTexto(texto, out, final);
    if (f == Fin::Cerrado) return false;
    if (f == Fin::Cancelado) return true;
    out.Done(tds::kDone, EstadoDone(final), final.cuenta.value_or(0));
    return canal_.Envia(out.Datos());
}

bool Sesion::AtiendeRpc(const std::string& datos) {
    Lector l(datos);
    if (tds72_) l.Bytes(l.Entero(4) - 4);
    const uint64_t largoNombre = l.Entero(2);
    int procId = 0;
    std::string nombre;
    if (largoNombre == 0xFFFF) {
        procId = static_cast<int>(l.Entero(2));
    } else {
        nombre = Mayus(l.Utf16(largoNombre));
        if (nombre == "SP_EXECUTESQL") procId = 10;
        if (nombre == "SP_PREPEXEC") procId = 13;
        if (nombre == "SP_EXECUTE") procId = 12;
        if (nombre == "SP_PREPARE") procId = 11;
        if (nombre == "SP_UNPREPARE") procId = 15;
    }
    l.Entero(2);  // option flags
    std::vector<Parametro> params;
    while (l.Bien() && !l.Fin()) {
        Parametro p;
        if (!LeeParametro(l, tds72_, p)) return false;
        params.push_back(std::move(p));
    }
    if (!l.Bien()) return false;
    const auto texto = [&](size_t i) {
        return i < params.size() ? params[i].valor.texto : std::string();
    };

    EscritorTds out(tds72_, esc_.servidor);
    out.EnProcedimiento(true);
    std::string sentencia, declaracion;
    size_t primerValor = 0;
    std::optional<int32_t> handle;
    bool ejecutar = true;
    switch (procId) {
        case 10:
            sentencia = texto(0), declaracion = texto(1), primerValor = 2;
            break;
        case 11:
        case 13:
            handle = siguienteHandle_++;
            preparadas_[*handle] = Preparada{texto(2), texto(1)};
            sentencia = texto(2), declaracion = texto(1), primerValor = 3;
            ejecutar = procId == 13;
            break;
        case 12:
        case 15: {
            const int32_t h = params.empty() ? 0 : static_cast<int32_t>(params[0].valor.entero);
            const auto it = preparadas_.find(h);
            if (it == preparadas_.end()) {
                out.Mensaje(
                    {8179, 1, 16,
                     "Could not find prepared statement with handle " + std::to_string(h) + "."});
                out.Done(tds::kDoneProc, tds::kError);
                return canal_.Envia(out.Datos());
            }
            sentencia = it->second.sentencia, declaracion = it->second.declaracion, primerValor = 1;
            if (procId == 15) preparadas_.erase(it);
            ejecutar = procId == 12;
            break;
        }
        default:
            if (nombre.empty()) nombre = "ProcID " + std::to_string(procId);
            sentencia = "EXEC " + nombre;
            break;
    }
    ctx_.variables.clear();
    const std::vector<std::string> declarados = NombresDeclarados(declaracion);
    for (size_t i = primerValor; i < params.size(); ++i) {
        std::string n = Mayus(params[i].nombre);
        if (n.empty() && i - primerValor < declarados.size()) n = declarados[i - primerValor];
        if (!n.empty()) ctx_.variables[n] = params[i].valor;
    }
    Resultado final;
    if (ejecutar) {
        // The statement runs one level down, as in a procedure (@@NESTLEVEL).
        ctx_.anidamiento = 1;
        const Fin f = EjecutaTexto(sentencia, out, final);
        ctx_.anidamiento = 0;
        if (f == Fin::Cerrado) return false;
        if (f == Fin::Cancelado) return true;
        out.FinSentencia(EstadoDone(final, tds::kMas), final.cuenta.value_or(0));
    }
    out.EstadoRetorno(0);
    if (handle) out.ValorRetornoEntero(*handle);
    out.Done(tds::kDoneProc, final.error ? tds::kError : 0);
    return canal_.Envia(out.Datos());
}

}  // namespace velqor::sqlsim
