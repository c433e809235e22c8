#include "FormularioPrueba.h"

#include <filesystem>
#include <fstream>

#include "common/General.h"

namespace velqor::prueba {

FormularioPrueba::FormularioPrueba() : reloj(HacerMomento(2026, 12, 4, 16, 35, 41)), guion(&reloj) {
    InstalaCuadroMensaje(
        [this](const std::string& texto, const std::string&) { cuadros.push_back(texto); });
    FijaDesatendido(false);
    FijaArchivoLog("");

    guion.Cuando("SELECT * FROM UsuariosPW",
                 Respuesta::Filas({"Usuario_ID"}, {{Valor::Texto("ana")}}));
    guion.Cuando("SELECT Usuario_cd FROM UsuariosPW",
                 Respuesta::Filas({"Usuario_cd"}, {{Valor::Largo(1)}}));
    guion.Cuando(
        "DBCC SHOWCONTIG () ",
        Respuesta::Filas(
            {"ObjectName", "ObjectId", "IndexName", "IndexId", "Level", "ScanDensity", "Pages"},
            {{Valor::Texto("Clientes"), Valor::Largo(1), Valor::Texto("PK_Clientes"),
              Valor::Largo(1), Valor::Largo(0), Valor::Doble(62.5), Valor::Largo(8)},
             {Valor::Texto("Pedidos"), Valor::Largo(2), Valor::Texto("IX_Fecha"), Valor::Largo(2),
              Valor::Largo(0), Valor::Doble(40), Valor::Largo(8)}}));
    guion.Cuando("DBCC SHOWCONTIG ('", Respuesta::Filas({"ScanDensity"}, {{Valor::Doble(100)}}));
    guion.Cuando("SELECT name FROM sys.database_files",
                 Respuesta::Filas({"name"}, {{Valor::Texto("Ventas_log")}}));
    guion.Cuando("BACKUP LOG [Ventas] WITH TRUNCATE_ONLY",
                 Respuesta::Rechazo({{155, "'TRUNCATE_ONLY' is not a recognized BACKUP option."}}));
}

FormularioPrueba::~FormularioPrueba() {
    form.reset();
    InstalaCuadroMensaje({});
    FijaDesatendido(false);
    FijaArchivoLog("");
}

void FormularioPrueba::EscribeCfp(const std::string& nombre, const std::string& servidor,
                                  const std::string& base, int tipo,
                                  const std::string& nombreVisible) {
    std::ofstream f(programa.En(nombre + ".cfp"), std::ios::binary);
    f << "[Connection]\r\n";
    if (!nombreVisible.empty()) f << "Name = " << nombreVisible << "\r\n";
    f << "Kind = " << tipo << "\r\nServer = " << servidor << "\r\nDatabase = " << base
      << "\r\nIntegrated = yes\r\n";
}

void FormularioPrueba::CreaFormulario(const std::string& linea, bool hayOperador) {
    form.reset();
    auto fabrica = [this] {
        ++motoresCreados;
        return std::make_unique<Velqor>(guion.Fabrica(), reloj);
    };
    form = std::make_unique<ventana::frmReindexador>(
        vista, ajustes, fabrica,
        ventana::Arranque{programa.Texto(), linea, hayOperador, {}, alAvanzar}, reloj);
    vista.form = form.get();
}

void FormularioPrueba::Arranca(const std::string& linea, bool hayOperador) {
    CreaFormulario(linea, hayOperador);
    form->Form_Load();
}

void FormularioPrueba::Prepara(const std::string& nombreVisible) {
    EscribeCfp("Ventas", "sql01,1433", "Ventas", 2, nombreVisible);
    Arranca();
    vista.Elige(Entrada("Ventas"));
    vista.Escribe(Control::txtUsuario, "ana");
    vista.Escribe(Control::txtClave, "secreto");
    vista.Escribe(Control::txtServerPath, "D:\\Bak");
}

std::size_t FormularioPrueba::Entrada(const std::string& texto) const {
    for (std::size_t i = 0; i < vista.bases.size(); ++i) {
        if (vista.bases[i] == texto) return i;
    }
    ADD_FAILURE() << "no entry " << texto;
    return 0;
}

std::vector<std::string> FormularioPrueba::Archivos(const std::string& extension) const {
    std::vector<std::string> nombres;
    for (const auto& e : std::filesystem::directory_iterator(programa.Ruta())) {
        if (e.path().extension() == extension) nombres.push_back(e.path().filename().string());
    }
    return nombres;
}

std::string FormularioPrueba::RutaInforme(const std::string& nombreSinBlancos) const {
    return programa.En(nombreSinBlancos + "_20261204163541.txt");
}

}  // namespace velqor::prueba
