// velqor-historia OUT.ZEVeri: writes thirty nights of a made-up database's density history
// (November 2026, one pass at 22:00 each night, seeded, so every run writes the same file) in the
// engine's own file format: a few indexes that fragment again every night, a few that gain little
// from their treatment, a few small ones treated every night within a second, and many treated now
// and then. It stands in for a month of real nights in the history page's picture.

#include <iostream>
#include <random>
#include <string>

#include "common/Archivo.h"
#include "engine/HistorialDensidad.h"
#include "engine/TextoHistorial.h"

namespace {

using velqor::HistorialDensidad;
using velqor::Medicion;
using velqor::Momento;

enum class Clase { Recae, RecaePoco, PocaGanancia, Pequeno, Ocasional };

struct Indice {
    std::string tabla, indice;
    Clase clase;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: velqor-historia OUT.ZEVeri\n";
        return 2;
    }
    const Indice indices[] = {
        {"Pedidos", "IX_Pedidos_Fecha", Clase::Recae},
        {"Sales.LineasPedido", "PK_LineasPedido", Clase::Recae},
        {"Movimientos", "IX_Movimientos_Cuenta", Clase::RecaePoco},
        {"Clientes", "IX_Clientes_Nombre", Clase::PocaGanancia},
        {"Stock", "IX_Stock_Almacen", Clase::PocaGanancia},
        {"TiposIva", "PK_TiposIva", Clase::Pequeno},
        {"Paises", "PK_Paises", Clase::Pequeno},
        {"Monedas", "PK_Monedas", Clase::Pequeno},
        {"Articulos", "PK_Articulos", Clase::Ocasional},
        {"Articulos", "IX_Articulos_Familia", Clase::Ocasional},
        {"Facturas", "PK_Facturas", Clase::Ocasional},
        {"Facturas", "IX_Facturas_Cliente", Clase::Ocasional},
        {"Proveedores", "PK_Proveedores", Clase::Ocasional},
        {"Albaranes", "IX_Albaranes_Fecha", Clase::Ocasional},
        {"Cobros", "PK_Cobros", Clase::Ocasional},
        {"Sales.Tarifas", "PK_Tarifas", Clase::Ocasional},
        {"Empleados", "PK_Empleados", Clase::Ocasional},
        {"Auditoria", "IX_Auditoria_Momento", Clase::Ocasional},
    };
    std::mt19937 azar(20261101);
    const auto entre = [&azar](double a, double b) {
        return std::uniform_real_distribution<double>(a, b)(azar);
    };
    const auto redondea = [](double d) { return static_cast<int>(d * 10) / 10.0; };
    HistorialDensidad historial;
    for (unsigned dia = 1; dia <= 30; ++dia) {
        Momento ahora = velqor::HacerMomento(2026, 11, dia, 22);
        for (const Indice& i : indices) {
            double antes = 0, despues = 0;
            int segundos = 0;
            bool bloquear = true;
            switch (i.clase) {
                case Clase::Recae:
                    antes = entre(48, 72), despues = entre(98.5, 100), segundos = 60 + azar() % 400;
                    break;
                case Clase::RecaePoco:
                    antes = entre(80, 90), despues = entre(99, 100), segundos = 30 + azar() % 200;
                    break;
                case Clase::PocaGanancia:
                    if (azar() % 4 == 0) continue;
                    antes = entre(94, 97), despues = antes + entre(0.2, 2), bloquear = false;
                    segundos = 20 + azar() % 90;
                    break;
                case Clase::Pequeno:
                    antes = entre(40, 70), despues = entre(60, 80);
                    break;
                case Clase::Ocasional:
                    if (azar() % 6 != 0) continue;
                    antes = entre(70, 95), despues = entre(99, 100), segundos = 30 + azar() % 900;
                    bloquear = azar() % 3 != 0;
                    break;
            }
            const Medicion m{redondea(antes), ahora, ahora + std::chrono::seconds(segundos),
                             redondea(despues), bloquear};
            historial.Agrega(i.tabla, i.indice, m);
            ahora = m.fin + std::chrono::seconds(1);
        }
    }
    historial.Ordena();
    std::string texto;
    if (!velqor::TextoHistorial::Escribe(historial, texto) ||
        !velqor::ReemplazaArchivo(argv[1], texto + "\r\n")) {
        std::cerr << "velqor-historia: could not write " << argv[1] << '\n';
        return 1;
    }
    return 0;
}
