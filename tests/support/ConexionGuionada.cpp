#include "ConexionGuionada.h"

#include <algorithm>
#include <cctype>
#include <memory>

namespace velqor::prueba {
namespace {

bool MismoNombre(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

class RecordsetGuionado final : public db::Recordset {
  public:
    RecordsetGuionado(std::vector<std::string> columnas, std::vector<Lista> filas)
        : columnas_(std::move(columnas)), filas_(std::move(filas)) {}
    bool EOF() const override {
        Abierto();
        return fila_ >= filas_.size();
    }
    Valor Field(std::string_view nombre) const override {
        Abierto();
        for (size_t c = 0; c < columnas_.size(); ++c) {
            if (!MismoNombre(columnas_[c], nombre)) continue;
            if (fila_ >= filas_.size()) throw ErrorEjecucion(3021, "Either BOF or EOF is True.");
            return filas_[fila_].at(c);
        }
        throw ErrorEjecucion(errores::kCampoInexistente, "Item cannot be found in the collection.");
    }
    void MoveNext() override {
        Abierto();
        if (fila_ >= filas_.size()) throw ErrorEjecucion(3021, "Either BOF or EOF is True.");
        ++fila_;
    }
    void Close() override {
        Abierto();
        cerrado_ = true;
    }

  private:
    void Abierto() const {
        if (cerrado_)
            throw ErrorEjecucion(errores::kObjetoCerrado,
                                 "Operation is not allowed when the object is closed.");
    }
    std::vector<std::string> columnas_;
    std::vector<Lista> filas_;
    size_t fila_ = 0;
    bool cerrado_ = false;
};

}  // namespace

class ConexionGuionada final : public db::Connection {
  public:
    explicit ConexionGuionada(Guion& guion) : guion_(guion) {}
    void SetCommandTimeout(int32_t s) override { guion_.commandTimeout = s; }
    void SetConnectionTimeout(int32_t s) override { guion_.connectionTimeout = s; }
    void SetWaitHook(db::WaitHook hook) override {
        hook_ = std::move(hook);
        guion_.hookInstalado = static_cast<bool>(hook_);
    }
    void Open(const std::string& cadena, const std::string& usuario, const std::string& clave,
              int32_t opciones) override {
        guion_.cadenas = {cadena, usuario, clave, std::to_string(opciones)};
        if (hook_) hook_();  // the login takes a moment
        if (guion_.apertura_) Responde(*guion_.apertura_);
        abierta_ = true;
    }
    std::unique_ptr<db::Recordset> Execute(const std::string& sentencia,
                                           int32_t opciones) override {
        if (!abierta_)
            throw ErrorEjecucion(errores::kObjetoCerrado,
                                 "Operation is not allowed when the object is closed.");
        guion_.sentencias.push_back(sentencia);
        guion_.opciones.push_back(opciones);
        const Respuesta* r = guion_.Busca(sentencia);
        if (r == nullptr) return nullptr;
        Responde(*r);
        if (!r->conResultado) return nullptr;
        return std::make_unique<RecordsetGuionado>(r->columnas, r->filas);
    }
    void Close() override {
        if (abierta_) ++guion_.cierres;
        abierta_ = false;
    }
    bool IsOpen() const override { return abierta_; }
    const std::vector<db::ErrorProveedor>& Errors() const override { return errores_; }

  private:
    // Lets the statement take its time, then fails it as scripted.
    void Responde(const Respuesta& r) {
        if (guion_.reloj_ != nullptr) guion_.reloj_->Avanza(r.segundos);
        if (r.efecto) r.efecto();
        if (!r.errores.empty()) {
            errores_ = r.errores;
            throw ErrorEjecucion(errores::kErrorProveedor, r.errores.front().Description);
        }
        if (r.falla) {
            // As in the real layer, a failure without provider records leaves the earlier ones.
            throw *r.falla;
        }
    }

    Guion& guion_;
    db::WaitHook hook_;
    bool abierta_ = false;
    std::vector<db::ErrorProveedor> errores_;
};

Respuesta Respuesta::Filas(std::vector<std::string> columnas, std::vector<Lista> filas) {
    Respuesta r;
    r.conResultado = true;
    r.columnas = std::move(columnas);
    r.filas = std::move(filas);
    return r;
}

Respuesta Respuesta::Rechazo(std::vector<std::pair<int32_t, std::string>> nativos) {
    Respuesta r;
    for (auto& [numero, texto] : nativos)
        r.errores.push_back({numero, "[FreeTDS][SQL Server]" + texto, "42000"});
    return r;
}

Respuesta Respuesta::Falla(int32_t numero, std::string descripcion) {
    Respuesta r;
    r.falla.emplace(numero, std::move(descripcion));
    return r;
}

void Guion::Cuando(std::string prefijo, Respuesta r, int veces) {
    reglas_.push_back({std::move(prefijo), std::move(r), veces});
}

const Respuesta* Guion::Busca(const std::string& sentencia) {
    for (auto it = reglas_.rbegin(); it != reglas_.rend(); ++it) {
        if (it->veces == 0 || sentencia.rfind(it->prefijo, 0) != 0) continue;
        if (it->veces > 0) --it->veces;
        return &it->respuesta;
    }
    return nullptr;
}

db::FabricaConexion Guion::Fabrica() {
    return [this]() -> std::unique_ptr<db::Connection> {
        ++conexionesHechas;
        return std::make_unique<ConexionGuionada>(*this);
    };
}

std::vector<std::string> Guion::Con(const std::string& prefijo) const {
    std::vector<std::string> r;
    for (const auto& s : sentencias) {
        if (s.rfind(prefijo, 0) == 0) r.push_back(s);
    }
    return r;
}

}  // namespace velqor::prueba
