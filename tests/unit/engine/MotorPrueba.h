#pragma once
// The fixture shared by the engine's unit tests: an engine bound to a definition written in a
// temporary folder, a scripted connection, a fixed clock, the Progreso events and message boxes
// recorded, and ways to cancel at a chosen announcement.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "CarpetaTemporal.h"
#include "ConexionGuionada.h"
#include "RelojFijo.h"
#include "engine/Velqor.h"

namespace velqor::prueba {

// One Progreso event as the receiver saw it.
struct Evento {
    std::string texto;
    bool banderaDelPase;  // the run's own flag (false: a throw-away flag)
    bool valor;           // the flag's value when raised
};

class MotorPrueba : public ::testing::Test {
  protected:
    MotorPrueba();
    ~MotorPrueba() override;

    // Writes carpeta/nombre.cfp for a SQL Server definition (kind 2 unless told).
    void EscribeCfp(const std::string& nombre, const std::string& servidor, const std::string& base,
                    int tipo = 2, const std::string& nombreVisible = {});
    // Makes the engine and binds it to the definition nombre (written first with servidor/base).
    bool Crea(const std::string& servidor = "sql01,1433", const std::string& base = "Ventas",
              const std::string& nombre = "Ventas");
    // Releases the engine (it writes its history).
    void Libera() { motor.reset(); }

    // A pass with the fixture's flag and report.
    bool Pasa(bool onLine = false, const std::string& ruta = "D:\\Bak",
              const std::string& usuario = "ana", const std::string& clave = "secreto");
    // Sets the flag the receiver is given when the n-th event starting with prefijo is raised.
    void CancelaEn(std::string prefijo, int n = 1);

    // Makes the scripted server the cloud service (engine edition 5): its physical stats show
    // Clientes.PK_Clientes (object 1, index 1) 37.5 % fragmented, then 0 % once measured alone.
    void EsLaNube();
    // The survey's answer: rows of (table, index, IndexId, density), each of object 1 and 8 pages.
    static Respuesta Encuesta(const std::vector<Lista>& filas);
    // The report split into lines; fails the test when it does not end with CR LF.
    std::vector<std::string> Lineas() const;
    // The texts of the recorded events.
    std::vector<std::string> Textos() const;
    // An open scripted connection for calling a phase directly.
    std::unique_ptr<db::Connection> Conexion();

    CarpetaTemporal carpeta;
    RelojFijo reloj;
    Guion guion;
    std::unique_ptr<Velqor> motor;
    bool cancelar = false;
    std::string informe;
    std::vector<Evento> eventos;
    std::vector<std::string> cuadros;  // texts shown in message boxes
    std::string carpetaInforme;      // the report folder given to Crear

  private:
    std::string prefijoCancelar_;
    int cancelarEnN_ = 0;
};

}  // namespace velqor::prueba
