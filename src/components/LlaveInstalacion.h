#pragma once
// LlaveInstalacion: the key of this installation, the one place where the window, unattended runs
// and velqor-config find it. A key is 32 random bytes in a file of its own, never printed:
//   - the user's: $XDG_CONFIG_HOME/velqor/key (XDG_CONFIG_HOME defaults to ~/.config), mode 0600;
//   - the system's, for services: /etc/velqor/key, or the file VELQOR_SYSTEM_KEY names; owned by
//     root, mode 0600, or 0640 for the group of a service's user.
// Files are written under the first key found (the user's, then the system's) and read under any
// of them; with none, under the key every copy of the program shares (docs/cfp-format.md).

#include <optional>
#include <string>
#include <vector>

namespace velqor::LlaveInstalacion {

inline constexpr std::size_t kLargo = 32;

// The user's key file; empty when neither XDG_CONFIG_HOME nor HOME is set.
std::string RutaUsuario();
// The system's key file.
std::string RutaSistema();

// The keys this process can read, in the order they are tried: the user's, then the system's. A
// key file that is missing or that this user may not read is skipped. False with error (one
// sentence) when a key file can be read but is not a key (not exactly 32 bytes, or not a regular
// file): files must not then be written under the shared key as if there were none.
bool Llaves(std::vector<std::string>& llaves, std::string& error);

// Makes a new key at ruta, creating its folder (mode 0700 for the user's, 0755 for the system's)
// when missing. grupo: the group that may read it (mode 0640), or none (0600). False with error
// when ruta exists already (a key is never replaced: what was written under it could no longer be
// read), the group is unknown, or the file cannot be written.
bool Crea(const std::string& ruta, bool carpetaPrivada, const std::optional<std::string>& grupo,
          std::string& error);

}  // namespace velqor::LlaveInstalacion
