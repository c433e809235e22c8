#!/usr/bin/env bash
# Installs every Debian package the project needs (only what is missing) and builds it into build/.
# Usage: scripts/setup.sh [cmake preset]   (default: "default")
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"

packages=(
  build-essential cmake pkg-config git
  qt6-base-dev qt6-qpa-plugins libgl-dev
  unixodbc unixodbc-dev tdsodbc freetds-bin
  libssl-dev nlohmann-json3-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth hyperfine help2man
  default-jdk-headless libjtds-java
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
