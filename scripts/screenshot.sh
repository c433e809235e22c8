#!/usr/bin/env bash
# Takes docs/screenshot.png: the window in the middle of a pass against the bundled demo server, a
# third of the indexes done, on a virtual X display (Xvfb), with a private settings home.
#
#   scripts/screenshot.sh [OUT.png]   (default docs/screenshot.png)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
salida=$(realpath -m "${1:-docs/screenshot.png}")

bash scripts/setup.sh default > /dev/null
command -v xvfb-run > /dev/null || { echo "screenshot: xvfb-run is missing (package xvfb)" >&2; exit 1; }

bin=$root/build/bin
work=$(mktemp -d /tmp/velqor-demo.XXXX)
sqlsim_pid=""
cleanup() {
  if [ -n "$sqlsim_pid" ]; then kill "$sqlsim_pid" 2>/dev/null || true; wait "$sqlsim_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

. scripts/servidor-demo.sh
arranca_servidor_demo "$bin" "$work"
mkdir -p "$work/programa" "$work/reports" "$work/backups" "$work/config"
escribe_definicion_demo "$bin" "$work/programa/Demo.cfp" > /dev/null

XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
  "$bin/velqor-captura" "$work/programa" Demo "$app_user" "$app_password" "$work/reports" \
  "$work/backups" "$salida"
echo "screenshot: $salida"
