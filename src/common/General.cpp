#include "common/General.h"

#include <iostream>
#include <limits>

#include "common/Archivo.h"
#include "common/CarpetaEscribible.h"
#include "common/Texto1252.h"

namespace velqor {

namespace {

constexpr std::string_view kSaltoLinea = "\r\n";

// The process-wide values and the installed message box: the module's only state.
struct EstadoProceso {
    Momento inicioProceso{};
    bool desatendido = false;
    std::string archivoLog;
    bool logCreado = false;  // this process created archivoLog; later entries append to it
    std::vector<std::string> errores;  // each error logged, on one line, oldest first
    CuadroMensaje cuadro;
    SalidaAvisos avisos;
};

EstadoProceso& Estado() {
    static EstadoProceso estado;
    return estado;
}

// Replaces every occurrence of buscado in texto by reemplazo, left to right, without looking
// at the inserted text again.
std::string Reemplaza(std::string_view texto, std::string_view buscado,
                      std::string_view reemplazo) {
    std::string resultado;
    resultado.reserve(texto.size());
    std::size_t desde = 0;
    for (std::size_t hallado = texto.find(buscado); hallado != std::string_view::npos;
         hallado = texto.find(buscado, desde)) {
        resultado.append(texto.substr(desde, hallado - desde));
        resultado.append(reemplazo);
        desde = hallado + buscado.size();
    }
    resultado.append(texto.substr(desde));
    return resultado;
}

}  // namespace

// ---- Process-wide values ----

Momento InicioProceso() { return Estado().inicioProceso; }
void FijaInicioProceso(Momento m) { Estado().inicioProceso = m; }
bool Desatendido() { return Estado().desatendido; }
void FijaDesatendido(bool v) { Estado().desatendido = v; }
const std::string& ArchivoLog() { return Estado().archivoLog; }
void FijaArchivoLog(std::string ruta) {
    Estado().archivoLog = std::move(ruta);
    Estado().logCreado = false;
}
int ErroresRegistrados() { return static_cast<int>(Estado().errores.size()); }

std::string ErrorRegistrado(int indice) {
    const std::vector<std::string>& errores = Estado().errores;
    if (indice < 0 || static_cast<std::size_t>(indice) >= errores.size()) return {};
    return errores[static_cast<std::size_t>(indice)];
}

// ---- The message box service ----

void InstalaCuadroMensaje(CuadroMensaje cuadro) { Estado().cuadro = std::move(cuadro); }
void InstalaSalidaAvisos(SalidaAvisos salida) { Estado().avisos = std::move(salida); }

void MuestraMensaje(const std::string& texto, const std::string& titulo) {
    const std::string& tituloMostrado = titulo.empty() ? TituloAplicacion() : titulo;
    try {
        if (Estado().cuadro) {
            Estado().cuadro(texto, tituloMostrado);
        } else {
            std::cerr << tituloMostrado << ": " << texto << std::endl;
        }
    } catch (...) {
        // A notice that cannot be shown is lost; the caller carries on.
    }
}

std::string TituloAplicacion() { return "Velqor"; }

// ---- Texts ----

std::string Mensaje(std::string_view plantilla, const std::vector<Valor>& valores) {
    try {
        std::string texto = Reemplaza(plantilla, "||", kSaltoLinea);
        for (std::size_t k = 1; k <= valores.size(); ++k) {
            const Valor& valor = valores[k - 1];
            if (valor.EsNulo() || valor.EsMatriz()) {
                break;
            }
            texto = Reemplaza(texto, "|" + std::to_string(k), valor.ATexto());
        }
        return texto;
    } catch (...) {
        return std::string(plantilla);
    }
}

bool EnBlanco(std::string_view texto) {
    return texto.find_first_not_of(' ') == std::string_view::npos;
}

void AgregaLinea(std::string& informe, std::string_view linea) {
    informe.append(linea);
    informe.append(kSaltoLinea);
}

std::string Duracion(Momento desde, bool entreParentesis, Momento hasta) {
    std::string texto;
    int64_t diferencia = 0;
    if (!__builtin_sub_overflow(hasta.time_since_epoch().count(), desde.time_since_epoch().count(),
                                &diferencia) &&
        diferencia >= -std::numeric_limits<int32_t>::max() &&
        diferencia <= std::numeric_limits<int32_t>::max()) {
        int32_t s = static_cast<int32_t>(diferencia < 0 ? -diferencia : diferencia);
        int32_t m = s / 60;
        s %= 60;
        int32_t h = m / 60;
        m %= 60;
        const int32_t d = h / 24;
        h %= 24;
        AgregaUnidad(texto, d, Mensaje("Day"), Mensaje("Days"));
        AgregaUnidad(texto, h, Mensaje("Hour"), Mensaje("Hours"));
        AgregaUnidad(texto, m, Mensaje("Minute"), Mensaje("Minutes"));
        AgregaUnidad(texto, s, Mensaje("Second"), Mensaje("Seconds"));
    }
    if (texto.empty()) {
        texto = Mensaje("<1 second");
    }
    if (!entreParentesis) {
        return texto;
    }
    for (char& c : texto) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return "(" + texto + ")";
}

std::string Duracion(Momento desde, bool entreParentesis) {
    return Duracion(desde, entreParentesis, RelojSistema::Instancia().Ahora());
}

void AgregaUnidad(std::string& texto, int32_t cantidad, std::string_view singular,
                  std::string_view plural) {
    if (cantidad <= 0) {
        return;
    }
    if (!texto.empty()) {
        texto += ' ';
    }
    texto += std::to_string(cantidad);
    texto += ' ';
    texto.append(cantidad == 1 ? singular : plural);
}

std::string MarcaTiempo() { return Formatea(InicioProceso(), "yyyymmddhhnnss"); }

std::string FechaHora(Momento fecha) { return Formatea(fecha, "dd/mm/yyyy hh:nn:ss"); }

std::string FechaHora() { return FechaHora(RelojSistema::Instancia().Ahora()); }

std::string TextoVersion(int32_t numero) {
    const std::string t = std::to_string(numero);
    const std::size_t signo = numero < 0 ? 1 : 0;
    // Pairs of digits from the right; the leftmost group keeps one or two digits.
    std::string resultado = t.substr(0, signo);
    const std::size_t cifras = t.size() - signo;
    std::size_t primerGrupo = cifras % 2 == 0 ? 2 : 1;
    resultado.append(t, signo, primerGrupo);
    for (std::size_t i = signo + primerGrupo; i < t.size(); i += 2) {
        resultado += '.';
        resultado.append(t, i, 2);
    }
    return resultado;
}

std::string AvisoLegiblePorOtros(const std::string& ruta) {
    return Mensaje(
        "Warning: the launch configuration |1 can be read by other users and holds a password; "
        "make it readable by its owner only (chmod 600)",
        {Valor::Texto(ruta)});
}

std::string AvisoCarpetaInforme(const std::string& carpeta) {
    if (EnBlanco(carpeta)) return {};
    const std::string motivo = MotivoNoEscribible(carpeta);
    if (motivo.empty()) return {};
    if (AntecesorExistente(carpeta) == carpeta) {
        return Mensaje("Warning: the report folder |1 cannot be written: |2",
                       {Valor::Texto(carpeta), Valor::Texto(motivo)});
    }
    const std::string padre = AntecesorExistente(carpeta);
    const std::string motivoPadre = padre.empty() ? motivo : MotivoNoEscribible(padre);
    if (motivoPadre.empty()) {
        return Mensaje("Warning: the report folder |1 does not exist; the pass will create it",
                       {Valor::Texto(carpeta)});
    }
    return Mensaje("Warning: the report folder |1 does not exist and cannot be created: |2",
                   {Valor::Texto(carpeta), Valor::Texto(motivoPadre)});
}

// ---- Whole text files ----

std::string BytesArchivo(std::string_view texto) {
    std::string bytes;
    if (EsAscii(texto)) {
        bytes.reserve(texto.size() + kSaltoLinea.size());
        bytes.append(texto);
    } else {
        bytes = Utf8A1252(texto);
    }
    bytes.append(kSaltoLinea);
    return bytes;
}

bool GrabaTexto(const std::string& ruta, std::string_view texto) {
    try {
        // ASCII text is its own bytes: written as it is, the line end after it, without a copy.
        if (EsAscii(texto)) {
            return ReemplazaArchivoPorPartes(ruta, {texto, kSaltoLinea});
        }
        return ReemplazaArchivo(ruta, BytesArchivo(texto));
    } catch (...) {
        return false;
    }
}

std::string GrabaTextoNuevo(const std::string& base, const std::string& extension,
                            std::string_view texto) {
    try {
        return CreaArchivoNuevo(base, extension, BytesArchivo(texto));
    } catch (...) {
        return {};
    }
}

std::string LeeTexto(const std::string& ruta) {
    try {
        std::string bytes;
        if (!LeeArchivo(ruta, bytes)) {
            return {};
        }
        if (EsAscii(bytes)) {
            return bytes;
        }
        return De1252AUtf8(bytes);
    } catch (...) {
        return {};
    }
}

// ---- Error reporting ----

namespace {

// Appends one entry (a date-time line, texto, contexto when not empty, an empty line) to this
// process's own log file, creating it under a free name at the first entry; standard error takes
// it when the log cannot.
void EscribeEnLog(std::string_view texto, std::string_view contexto) {
    std::string entrada = FechaHora();
    entrada.append(kSaltoLinea);
    entrada += texto;
    entrada.append(kSaltoLinea);
    if (!contexto.empty()) {
        entrada.append(contexto);
        entrada.append(kSaltoLinea);
    }
    entrada.append(kSaltoLinea);
    const std::string bytes = Utf8A1252(entrada);
    EstadoProceso& estado = Estado();
    bool escrito = false;
    if (estado.logCreado) {
        escrito = AgregaArchivo(estado.archivoLog, bytes);
    } else {
        const std::string& ruta = estado.archivoLog;
        const bool conExtension = ruta.size() > 4 && ruta.ends_with(".log");
        const std::string creado =
            CreaArchivoNuevo(conExtension ? ruta.substr(0, ruta.size() - 4) : ruta,
                             conExtension ? ".log" : "", bytes);
        escrito = !creado.empty();
        if (escrito) {
            estado.archivoLog = creado;
            estado.logCreado = true;
        }
    }
    if (!escrito) {
        // Nobody may be watching, and the log cannot hold it: standard error is the last
        // place left to say what went wrong.
        std::cerr << "The log file " << estado.archivoLog << " could not be written:\n"
                  << Reemplaza(entrada, kSaltoLinea, "\n") << std::flush;
    }
}

// A driver's text without the bracketed tags it puts first ("[FreeTDS][SQL Server]").
std::string_view SinEtiquetas(std::string_view texto) {
    while (texto.starts_with('[')) {
        const std::size_t fin = texto.find(']');
        if (fin == std::string_view::npos) break;
        texto.remove_prefix(fin + 1);
    }
    return texto;
}

// The first line of an error text, then the server's records it does not already say, in their
// order, all on one line and without the driver's tags.
std::string ErrorEnUnaLinea(std::string_view textoError, std::span<const ErrorProveedor> diagnosticos) {
    const std::string_view primera = textoError.substr(0, textoError.find(kSaltoLinea));
    const std::size_t dosPuntos = primera.find(": ");
    std::string linea(primera.substr(0, dosPuntos == std::string_view::npos ? 0 : dosPuntos + 2));
    linea += SinEtiquetas(primera.substr(linea.size()));
    for (const ErrorProveedor& error : diagnosticos) {
        const std::string_view propio = SinEtiquetas(error.Description);
        if (error.NativeError == 0 || propio.empty() || linea.find(propio) != std::string::npos) {
            continue;
        }
        linea += " ";
        linea += propio;
    }
    return linea;
}

}  // namespace

void InformaError(int32_t numero, std::string_view descripcion,
                  std::span<const ErrorProveedor> diagnosticos, std::string_view textoAlternativo,
                  bool silencioso, std::string_view contexto) {
    try {
        std::string textoError;
        if (numero == 0) {
            textoError = std::string(textoAlternativo);
        } else {
            // Negative numbers are counted from the base of object-defined errors (0x80040000).
            const int64_t mostrado = numero > 0 ? numero : int64_t{numero} + 2147221504;
            textoError = "Error " + std::to_string(mostrado) + ": " + std::string(descripcion);
        }
        textoError.append(kSaltoLinea);
        for (const ErrorProveedor& error : diagnosticos) {
            if (error.NativeError != 0) {
                textoError += Mensaje("Native Error |1", {Valor::Largo(error.NativeError)});
                textoError += ": " + error.Description;
                textoError.append(kSaltoLinea);
            }
        }

        if (!silencioso && !Desatendido()) {
            MuestraMensaje(std::string(contexto) + std::string(kSaltoLinea) + textoError,
                           TituloAplicacion());
            return;
        }

        Estado().errores.push_back(ErrorEnUnaLinea(textoError, diagnosticos));
        // The error text already ends its line, so an empty line follows it in the entry.
        EscribeEnLog(textoError, contexto);
    } catch (...) {
        // The report is lost; the caller carries on.
    }
}

void RegistraAviso(std::string_view texto, std::string_view contexto) {
    try {
        if (Estado().avisos) return Estado().avisos(std::string(texto));
        EscribeEnLog(std::string(texto) + std::string(kSaltoLinea), contexto);
    } catch (...) {
        // The warning is lost; the caller carries on.
    }
}

}  // namespace velqor
