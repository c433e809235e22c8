#include "engine/TextoHistorial.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "common/EscritorMatriz.h"
#include "common/LectorMatriz.h"
#include "common/ZEVmat3.h"

namespace velqor {

namespace {

using zev::EscritorMatriz;
using zev::LectorMatriz;
using zev::SumasMatriz;
using Nivel = LectorMatriz::Nivel;
using Elemento = LectorMatriz::Elemento;

// The upper bounds of a row and of a measurement, and the fewest characters each element takes
// (three empty texts and Empty; two dates).
constexpr int64_t kCotaFila = 3;
constexpr int64_t kCotaMedicion = 4;
constexpr int64_t kMinimoFila = 25;
constexpr int64_t kMinimoMedicion = 60;

// Reads a history from the text, element by element. A false answer leaves either a damaged text
// (forma_ empty) or a text of another shape (forma_ says how, as far as the text was read).
class Lector {
  public:
    explicit Lector(std::string_view texto) : lector_(texto) {}

    bool Lee(std::vector<FilaHistorial>& filas) {
        Nivel superior;
        Elemento historia;
        if (!lector_.Abre(superior)) return false;
        if (superior.cota != 0) {
            forma_ = "the top level holds " + std::to_string(superior.cota + 1) +
                     " entries instead of 1";
            return false;
        }
        if (!lector_.Siguiente(superior, historia)) return false;
        if (historia.etiqueta == 'A') {
            if (!LeeLista(superior, historia, kMinimoFila, fila_, filas, &Lector::LeeFila)) {
                return false;
            }
        } else if (historia.etiqueta != 'E') {
            forma_ = "its entry is neither empty nor a list of rows";
            return false;
        }
        return lector_.Cierra(superior);
    }

    const std::string& forma() const { return forma_; }

  private:
    LectorMatriz lector_;
    std::string forma_;
    // The row and measurement being read (-1: none yet), to name them when their shape is wrong.
    int64_t fila_ = -1;
    int64_t medicion_ = -1;

    // Notes that the text holds something else where the row or measurement being read is.
    bool Forma(const char* que) {
        forma_ = "row " + std::to_string(fila_);
        if (medicion_ >= 0) forma_ += " measurement " + std::to_string(medicion_);
        forma_ += que;
        return false;
    }

    // Reads the next entry of padre, which must be a nested list of upper bound cota (otraForma
    // says what it is not), and opens that list.
    bool SiguienteLista(Nivel& padre, Elemento& elemento, int64_t cota, Nivel& anidada,
                        const char* otraForma) {
        if (!lector_.Siguiente(padre, elemento)) return false;
        if (elemento.etiqueta != 'A') return Forma(otraForma);
        if (!lector_.Entra(padre, elemento, anidada)) return false;
        return anidada.cota == cota || Forma(otraForma);
    }

    // Reads the nested list of elemento, an "A" entry of padre, into lista, each entry with lee
    // and numbered in numero; no entry takes fewer than minimo characters.
    template <typename T, typename Lee>
    bool LeeLista(Nivel& padre, const Elemento& elemento, int64_t minimo, int64_t& numero,
                  std::vector<T>& lista, Lee lee) {
        Nivel nivel;
        if (!lector_.Entra(padre, elemento, nivel)) return false;
        // Room for the entries announced, never for more than the element can hold.
        lista.reserve(static_cast<std::size_t>(
            std::min<int64_t>(nivel.cota + 1, (elemento.fin - nivel.desde) / minimo + 1)));
        for (numero = 0; numero <= nivel.cota; ++numero) {
            if (!(this->*lee)(nivel, lista.emplace_back())) return false;
        }
        numero = -1;
        return lector_.Cierra(nivel) && lector_.Sale(padre, elemento);
    }

    bool LeeFila(Nivel& lista, FilaHistorial& fila) {
        Elemento elemento;
        Nivel campos;
        if (!SiguienteLista(lista, elemento, kCotaFila, campos, " is not a list of four values")) {
            return false;
        }
        for (std::string* texto : {&fila.tabla, &fila.indice, &fila.clave}) {
            Elemento campo;
            if (!lector_.Siguiente(campos, campo)) return false;
            if (campo.etiqueta != 'T') {
                return Forma(" has a table, index or key that is not a text");
            }
            texto->assign(campo.texto);
        }
        Elemento mediciones;
        if (!lector_.Siguiente(campos, mediciones)) return false;
        if (mediciones.etiqueta == 'A') {
            if (!LeeLista(campos, mediciones, kMinimoMedicion, medicion_, fila.mediciones,
                          &Lector::LeeMedicion)) {
                return false;
            }
        } else if (mediciones.etiqueta != 'E') {
            return Forma(" has measurements that are not a list");
        }
        return lector_.Cierra(campos) && lector_.Sale(lista, elemento);
    }

    bool LeeMedicion(Nivel& lista, Medicion& medicion) {
        // The usual measurement in one step; any other is read element by element below, which
        // tells a damaged text from one of another shape.
        LectorMatriz::Plana plana;
        if (lector_.LeePlana(lista, kCotaMedicion, plana)) {
            const Elemento* v = plana.valores;
            if (v[0].etiqueta == 'N' && v[1].etiqueta == 'F' && v[2].etiqueta == 'F' &&
                v[3].etiqueta == 'N' && v[4].etiqueta == 'L' &&
                LectorMatriz::TextoANumero(v[0].texto, medicion.antes) &&
                LeeMomento(v[1].texto, medicion.inicio) && LeeMomento(v[2].texto, medicion.fin) &&
                LectorMatriz::TextoANumero(v[3].texto, medicion.despues)) {
                medicion.bloquear = v[4].texto != "0";
                return lector_.Avanza(lista, plana);
            }
        }
        Elemento elemento;
        Nivel campos;
        if (!SiguienteLista(lista, elemento, kCotaMedicion, campos,
                            " is not a list of five values")) {
            return false;
        }
        Elemento e;
        const auto numero = [&](double& destino) {
            if (!lector_.Siguiente(campos, e)) return false;
            if (e.etiqueta != 'N') return Forma(" has a density that is not a number");
            return LectorMatriz::TextoANumero(e.texto, destino);
        };
        const auto fecha = [&](Momento& destino) {
            if (!lector_.Siguiente(campos, e)) return false;
            if (e.etiqueta != 'F') return Forma(" has a start or end that is not a date");
            return LeeMomento(e.texto, destino);
        };
        if (!numero(medicion.antes) || !fecha(medicion.inicio) || !fecha(medicion.fin) ||
            !numero(medicion.despues) || !lector_.Siguiente(campos, e)) {
            return false;
        }
        if (e.etiqueta != 'L') return Forma(" has a treatment kind that is not a Boolean");
        medicion.bloquear = e.texto != "0";
        return lector_.Cierra(campos) && lector_.Sale(lista, elemento);
    }
};

// Writes a history into the text, element by element.
class Escritor {
  public:
    bool Escribe(const std::vector<FilaHistorial>& filas, std::string& texto) {
        SumasMatriz superior;
        escritor_.Reserva(Estimacion(filas));
        escritor_.Empieza(0);
        if (filas.empty() ? !escritor_.Vacio(superior) : !Anidada(superior, filas)) return false;
        escritor_.Termina(superior);
        escritor_.Entrega(texto);
        return true;
    }

  private:
    EscritorMatriz escritor_;

    // About as many characters as the text of filas takes while it is written (a measurement
    // takes about 90, and each nested list keeps room for its front until the end).
    static std::size_t Estimacion(const std::vector<FilaHistorial>& filas) {
        constexpr std::size_t kFila = 120;
        constexpr std::size_t kMedicion = 112;
        std::size_t caracteres = 64;
        for (const FilaHistorial& fila : filas) {
            caracteres += kFila + fila.tabla.size() + fila.indice.size() + fila.clave.size() +
                          kMedicion * fila.mediciones.size();
        }
        return caracteres;
    }

    // Writes an "A" entry of the list whose sums are padre: a nested list of upper bound cota
    // whose entries escribe writes into the nested list's sums.
    template <typename Escribe>
    bool Lista(SumasMatriz& padre, int64_t cota, Escribe escribe) {
        const EscritorMatriz::Anidada anidada = escritor_.AbreAnidada();
        SumasMatriz sumas;
        escritor_.Empieza(cota);
        if (!escribe(sumas)) return false;
        escritor_.Termina(sumas);
        return escritor_.CierraAnidada(anidada, padre);
    }

    template <typename T>
    bool Anidada(SumasMatriz& padre, const std::vector<T>& lista) {
        return Lista(padre, static_cast<int64_t>(lista.size()) - 1, [&](SumasMatriz& sumas) {
            for (const T& entrada : lista) {
                if (!Entrada(sumas, entrada)) return false;
            }
            return true;
        });
    }

    bool Entrada(SumasMatriz& padre, const FilaHistorial& fila) {
        return Lista(padre, kCotaFila, [&](SumasMatriz& sumas) {
            return escritor_.Texto(fila.tabla, sumas) && escritor_.Texto(fila.indice, sumas) &&
                   escritor_.Texto(fila.clave, sumas) &&
                   (fila.mediciones.empty() ? escritor_.Vacio(sumas)
                                            : Anidada(sumas, fila.mediciones));
        });
    }

    bool Entrada(SumasMatriz& padre, const Medicion& m) {
        return Lista(padre, kCotaMedicion, [&](SumasMatriz& sumas) {
            return escritor_.Numero(m.antes, sumas) && escritor_.Fecha(m.inicio, sumas) &&
                   escritor_.Fecha(m.fin, sumas) && escritor_.Numero(m.despues, sumas) &&
                   escritor_.Logico(m.bloquear, sumas);
        });
    }
};

}  // namespace

bool TextoHistorial::Lee(std::string_view texto, HistorialDensidad& historial, std::string& error) {
    if (texto.empty()) {
        historial = HistorialDensidad();
        return true;
    }
    Lector lector(texto);
    std::vector<FilaHistorial> filas;
    if (lector.Lee(filas)) {
        historial = HistorialDensidad(std::move(filas));
        return true;
    }
    // A text of another shape is told apart from a damaged one only when the whole text reads back
    // as array text: a damaged text is damaged whatever it holds.
    Valor matriz;
    if (lector.forma().empty() || !TextoAMatriz(texto, matriz)) {
        error = "its text is damaged (cut short, altered, or a checksum does not agree)";
    } else {
        error = "it is not a density history (" + lector.forma() + ")";
    }
    return false;
}

bool TextoHistorial::Escribe(const HistorialDensidad& historial, std::string& texto) {
    texto.clear();
    Escritor escritor;
    return escritor.Escribe(historial.Filas(), texto);
}

}  // namespace velqor
