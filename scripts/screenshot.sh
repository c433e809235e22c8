#!/usr/bin/env bash
# Takes docs/history-page.png: the top of velqor-config's history page for a made-up month of
# nights (build/bin/velqor-historia), drawn by headless Chromium (package chromium; not installed by
# setup). Then docs/screenshot.png: the window in the middle of a pass against the bundled demo
# server, a third of the indexes done, on a virtual X display (Xvfb), with a private settings home.
#
#   scripts/screenshot.sh [OUT.png [HISTORY.png]]   (defaults docs/screenshot.png,
#                                                    docs/history-page.png)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
salida=$(realpath -m "${1:-docs/screenshot.png}")
salida_historia=$(realpath -m "${2:-docs/history-page.png}")

bash scripts/setup.sh default > /dev/null
[ -x /usr/bin/chromium ] || { echo "screenshot: chromium is missing (package chromium)" >&2; exit 1; }
command -v xvfb-run > /dev/null || { echo "screenshot: xvfb-run is missing (package xvfb)" >&2; exit 1; }

bin=$root/build/bin
work=$(mktemp -d /tmp/velqor-demo.XXXX)
sqlsim_pid=""
cleanup() {
  if [ -n "$sqlsim_pid" ]; then kill "$sqlsim_pid" 2>/dev/null || true; wait "$sqlsim_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

"$bin/velqor-historia" "$work/Demo_2026_11.ZEVeri"
"$bin/velqor-config" history "$work/Demo_2026_11.ZEVeri" --html "$work/history.html" > /dev/null
/usr/bin/chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
  --disable-component-update --disable-sync --user-data-dir="$work/chromium" --hide-scrollbars \
  --window-size=1100,1900 --screenshot="$salida_historia" "file://$work/history.html" 2> /dev/null
[ -s "$salida_historia" ] || { echo "screenshot: chromium took no picture" >&2; exit 1; }
echo "screenshot: $salida_historia"

. scripts/servidor-demo.sh
arranca_servidor_demo "$bin" "$work"
mkdir -p "$work/programa" "$work/reports" "$work/backups" "$work/config"
escribe_definicion_demo "$bin" "$work/programa/Demo.cfp" > /dev/null

XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
  "$bin/velqor-captura" "$work/programa" Demo "$app_user" "$app_password" "$work/reports" \
  "$work/backups" "$salida"
echo "screenshot: $salida"
