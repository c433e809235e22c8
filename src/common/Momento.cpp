#include "common/Momento.h"

#include <charconv>
#include <ctime>

namespace velqor {

using namespace std::chrono;

Momento RelojSistema::Ahora() const {
    const std::time_t ahora = system_clock::to_time_t(system_clock::now());
    std::tm local{};
    if (localtime_r(&ahora, &local) == nullptr) {
        return Momento{seconds{ahora}};
    }
    return HacerMomento(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                        static_cast<unsigned>(local.tm_mday), local.tm_hour, local.tm_min,
                        local.tm_sec > 59 ? 59 : local.tm_sec);
}

const RelojSistema& RelojSistema::Instancia() {
    static const RelojSistema reloj;
    return reloj;
}

Momento HacerMomento(int anio, unsigned mes, unsigned dia, int hora, int minuto, int segundo) {
    const local_days fecha{year{anio} / month{mes} / day{dia}};
    return Momento{fecha} + hours{hora} + minutes{minuto} + seconds{segundo};
}

CamposMomento Campos(Momento m) {
    const local_days fecha = floor<days>(m);
    const year_month_day ymd{fecha};
    const hh_mm_ss<seconds> hora{m - fecha};
    return {static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
            static_cast<unsigned>(ymd.day()), static_cast<int>(hora.hours().count()),
            static_cast<int>(hora.minutes().count()), static_cast<int>(hora.seconds().count())};
}

namespace {

void AgregaCifras(std::string& destino, long valor, int cifras) {
    char texto[24];
    const auto fin = std::to_chars(texto, texto + sizeof texto, valor < 0 ? -valor : valor).ptr;
    if (valor < 0) {
        destino += '-';
    }
    const auto largo = static_cast<int>(fin - texto);
    if (largo < cifras) {
        destino.append(static_cast<std::size_t>(cifras - largo), '0');
    }
    destino.append(texto, fin);
}

}  // namespace

std::string Formatea(Momento m, std::string_view patron) {
    const CamposMomento c = Campos(m);
    std::string resultado;
    resultado.reserve(patron.size());
    std::size_t i = 0;
    while (i < patron.size()) {
        const std::string_view resto = patron.substr(i);
        if (resto.starts_with("yyyy")) {
            AgregaCifras(resultado, c.anio, 4);
            i += 4;
            continue;
        }
        long valor = -1;
        if (resto.starts_with("mm")) {
            valor = c.mes;
        } else if (resto.starts_with("dd")) {
            valor = c.dia;
        } else if (resto.starts_with("hh")) {
            valor = c.hora;
        } else if (resto.starts_with("nn")) {
            valor = c.minuto;
        } else if (resto.starts_with("ss")) {
            valor = c.segundo;
        }
        if (valor >= 0) {
            AgregaCifras(resultado, valor, 2);
            i += 2;
        } else {
            resultado += patron[i];
            ++i;
        }
    }
    return resultado;
}

bool LeeMomento(std::string_view texto, Momento& resultado) {
    constexpr std::string_view kForma = "yyyy-mm-dd hh:nn:ss";
    constexpr std::size_t kCifras[] = {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18};
    if (texto.size() != kForma.size() || texto[4] != '-' || texto[7] != '-' || texto[10] != ' ' ||
        texto[13] != ':' || texto[16] != ':') {
        return false;
    }
    for (const std::size_t i : kCifras) {
        if (texto[i] < '0' || texto[i] > '9') {
            return false;
        }
    }
    const auto par = [&texto](std::size_t i) {
        return (texto[i] - '0') * 10 + (texto[i + 1] - '0');
    };
    const int anio = par(0) * 100 + par(2);
    const int mes = par(5);
    const int dia = par(8);
    const int hora = par(11);
    const int minuto = par(14);
    const int segundo = par(17);
    const year_month_day fecha{year{anio}, month{static_cast<unsigned>(mes)},
                               day{static_cast<unsigned>(dia)}};
    if (!fecha.ok() || hora > 23 || minuto > 59 || segundo > 59) {
        return false;
    }
    resultado = HacerMomento(anio, static_cast<unsigned>(mes), static_cast<unsigned>(dia), hora,
                             minuto, segundo);
    return true;
}

}  // namespace velqor
