#pragma once
// General: the small text services the whole program shares, and the three process-wide values.
// None of these operations throws: each answers a defined result on failure.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/ErrorProveedor.h"
#include "common/Momento.h"
#include "common/Valor.h"

namespace velqor {

// ---- Process-wide values (one each per process) ----

// The moment of the current run: set at start-up and again at the start of each pass.
Momento InicioProceso();
void FijaInicioProceso(Momento m);
// True during an unattended run.
bool Desatendido();
void FijaDesatendido(bool v);
// Path of this start's log file. The first entry creates it; when another process has already
// taken that name, the entry goes to a new file "<name>_2.log" (or _3, ...), which ArchivoLog then
// answers, so that no two processes share a log.
const std::string& ArchivoLog();
void FijaArchivoLog(std::string ruta);
// How many errors this process has logged so far (written, or sent to standard error when the log
// could not take them); warnings do not count.
int ErroresRegistrados();
// The error this process logged as number indice (0 for the first), on one line: its first line,
// then the server's records it does not already say, without the driver's bracketed tags. Empty
// when fewer were logged.
std::string ErrorRegistrado(int indice);

// ---- The message box service ----

// Shows a modal notice with one OK button; texto is UTF-8 and may hold CR LF.
using CuadroMensaje = std::function<void(const std::string& texto, const std::string& titulo)>;
// Installs the window's message box; an empty function restores the default, which writes the
// text to standard error. Installed once at start-up, before any engine runs.
void InstalaCuadroMensaje(CuadroMensaje cuadro);
// Where warnings go instead of the log (a command-line tool's standard error); an empty function
// gives them back to the log.
using SalidaAvisos = std::function<void(const std::string& texto)>;
void InstalaSalidaAvisos(SalidaAvisos salida);
// Shows texto through the installed service with the given title (the application's title when
// empty).
void MuestraMensaje(const std::string& texto, const std::string& titulo = {});
// The application's title used by message boxes ("Velqor").
std::string TituloAplicacion();

// ---- Texts ----

// Fills a template: "||" becomes CR LF, then |1, |2, ... are replaced in turn by the values' text.
// A value that cannot be turned into text (Null, an array) ends the substitution there.
std::string Mensaje(std::string_view plantilla, const std::vector<Valor>& valores = {});

// True when texto is empty or holds only blanks (spaces).
bool EnBlanco(std::string_view texto);

// Appends linea and CR LF to informe.
void AgregaLinea(std::string& informe, std::string_view linea);

// Words the time between desde and hasta ("1 Hour 2 Minutes 5 Seconds", or "(1 hour ...)" with
// entreParentesis); less than a second or a gap beyond 32 bits gives "<1 second".
std::string Duracion(Momento desde, bool entreParentesis, Momento hasta);
// The same, up to now.
std::string Duracion(Momento desde, bool entreParentesis);
// Appends "N Singular|Plural" (a blank first when texto is not empty); nothing for cantidad <= 0.
void AgregaUnidad(std::string& texto, int32_t cantidad, std::string_view singular,
                  std::string_view plural);

// InicioProceso as "yyyymmddhhnnss".
std::string MarcaTiempo();
// fecha as "dd/mm/yyyy hh:nn:ss".
std::string FechaHora(Momento fecha);
std::string FechaHora();

// Groups the decimal digits of numero in pairs from the right: 20007 gives "2.00.07".
std::string TextoVersion(int32_t numero);

// The warning about a launch configuration that users other than its owner may read.
std::string AvisoLegiblePorOtros(const std::string& ruta);
// The warning about a report folder the density history cannot be written into as it stands
// (missing, not a folder, not writable), with the system's reason; empty when it can, or when
// carpeta is blank.
std::string AvisoCarpetaInforme(const std::string& carpeta);

// ---- Whole text files (Windows-1252 on disk, UTF-8 inside) ----

// The bytes GrabaTexto writes for texto: texto in Windows-1252 followed by CR LF.
std::string BytesArchivo(std::string_view texto);

// Replaces the file with texto followed by CR LF (ReemplazaArchivo: a power cut leaves the old
// file or the new one); false on any failure (missing folder, no permission, a read-only file).
bool GrabaTexto(const std::string& ruta, std::string_view texto);
// Writes texto followed by CR LF to a new file base + extension (base_2 + extension, ... when the
// name is taken; CreaArchivoNuevo). Answers the path written, empty on failure.
std::string GrabaTextoNuevo(const std::string& base, const std::string& extension,
                            std::string_view texto);
// The whole file as text, line ends included; empty on any failure.
std::string LeeTexto(const std::string& ruta);

// ---- Error reporting ----

// Shows an error to the operator in a message box, or, when silencioso or Desatendido(), appends
// it to ArchivoLog() with a "dd/mm/yyyy hh:nn:ss" line, every record of diagnosticos that carries a
// native error (in their order), and contexto. An entry the log file cannot take is written to
// standard error instead. Never throws.
void InformaError(int32_t numero, std::string_view descripcion,
                  std::span<const ErrorProveedor> diagnosticos, std::string_view textoAlternativo,
                  bool silencioso, std::string_view contexto);
// Appends a warning entry (date-time line, texto, contexto) to ArchivoLog(), or to standard error
// when the log cannot take it; hands texto to the installed SalidaAvisos instead when there is one.
// It does not count as an error. Never throws.
void RegistraAviso(std::string_view texto, std::string_view contexto);

}  // namespace velqor
