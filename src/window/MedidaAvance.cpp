#include "window/MedidaAvance.h"

#include <algorithm>
#include <chrono>

namespace velqor::ventana {

void MedidaAvance::Inicia() {
    inicio_ = reloj_.Ahora();
    inicioIndices_ = inicio_;
    avance_ = {};
}

void MedidaAvance::Anota(const Velqor::Avance& avance) {
    if (avance.paso == Velqor::Paso::Indices && avance_.paso != Velqor::Paso::Indices) {
        inicioIndices_ = reloj_.Ahora();
    }
    avance_ = avance;
}

EstadoAvance MedidaAvance::Estado() const {
    const Momento ahora = reloj_.Ahora();
    EstadoAvance estado{avance_.paso, avance_.hechos, avance_.total,
                        std::max<int64_t>(0, (ahora - inicio_).count()), -1};
    if (avance_.paso == Velqor::Paso::Indices && avance_.hechos > 0 &&
        avance_.total >= avance_.hechos) {
        // The indexes done so far set the pace; the seconds of the one under way already count.
        const int64_t enIndices = std::max<int64_t>(0, (ahora - inicioIndices_).count());
        const int64_t previstos = enIndices * avance_.total / avance_.hechos;
        estado.restantes = std::max<int64_t>(0, previstos - enIndices);
    }
    return estado;
}

std::string MedidaAvance::TextoBarra(const EstadoAvance& estado) {
    if (estado.paso == Velqor::Paso::Indices) {
        return std::to_string(estado.hechos) + " / " + std::to_string(estado.total);
    }
    return Velqor::TextoPaso(estado.paso);
}

std::string MedidaAvance::TextoDuracion(int64_t segundos) {
    if (segundos < 0) segundos = 0;
    auto dos = [](int64_t n) { return (n < 10 ? "0" : "") + std::to_string(n); };
    const int64_t horas = segundos / 3600;
    const int64_t minutos = segundos / 60 % 60;
    if (horas > 0) return std::to_string(horas) + ":" + dos(minutos) + ":" + dos(segundos % 60);
    return std::to_string(minutos) + ":" + dos(segundos % 60);
}

std::string MedidaAvance::LineaTerminal(const EstadoAvance& estado) {
    std::string linea = Velqor::TextoPaso(estado.paso);
    if (estado.paso == Velqor::Paso::Indices) {
        linea += " " + std::to_string(estado.hechos) + " / " + std::to_string(estado.total);
    }
    linea += ", " + TextoDuracion(estado.transcurridos) + " elapsed";
    if (estado.restantes >= 0) linea += ", about " + TextoDuracion(estado.restantes) + " left";
    return linea;
}

}  // namespace velqor::ventana
