#!/usr/bin/env bash
# A first look at Velqor: builds it, starts the SQL Server simulator (sqlsim) with the demo scenario,
# puts a connection definition "Demo" beside the program and runs one maintenance pass against it.
#
#   scripts/demo.sh               with a display: opens the window, ready to launch (password "demo")
#   scripts/demo.sh --unattended  (or without a display): runs the pass unattended and prints its report
#
# The pass writes its report beside the program (build/bin/Demo_<timestamp>.txt), the monthly density
# history into build/demo/reports and the simulated backups into build/demo/backups.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

desatendido=0
case "${1:-}" in
  --unattended) desatendido=1 ;;
  "") ;;
  *) echo "usage: scripts/demo.sh [--unattended]" >&2; exit 2 ;;
esac
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then desatendido=1; fi

bash scripts/setup.sh default

bin=$root/build/bin
demo=$root/build/demo
work=$(mktemp -d)
sqlsim_pid=""
cleanup() {
  if [ -n "$sqlsim_pid" ]; then kill "$sqlsim_pid" 2>/dev/null || true; wait "$sqlsim_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$demo/reports" "$demo/backups"

. scripts/servidor-demo.sh
arranca_servidor_demo "$bin" "$work"
echo "sqlsim (demo scenario) listening on 127.0.0.1:$port"
escribe_definicion_demo "$bin" "$bin/Demo.cfp"

if [ "$desatendido" -eq 0 ]; then
  # The window's remembered settings come from a private settings home, so yours stay untouched.
  mkdir -p "$work/config/Velqor"
  cat > "$work/config/Velqor/Velqor.conf" <<CONF
[Comun]
Usuario=$app_user
Base=Demo
Estadistica=$demo/reports
CarpetaBackup=$demo/backups
CONF
  echo "The window opens with the database Demo chosen: type the password \"$app_password\" and press \"Launch now\"."
  XDG_CONFIG_HOME="$work/config" "$bin/velqor"
  exit 0
fi

printf '%s\n' "$app_password" | "$bin/velqor-config" write-launch "$work/demo.ZEVcos" --force \
  --database Demo --report-folder "$demo/reports" --user "$app_user" --password-stdin --offline \
  --backup-folder "$demo/backups" > /dev/null
echo "Running one unattended pass: build/bin/velqor <launch configuration>"
set +e
"$bin/velqor" "$work/demo.ZEVcos"
status=$?
set -e
report=$(ls -t "$bin"/Demo_*.txt 2>/dev/null | head -n 1)
if [ -n "$report" ]; then
  echo "---- $report"
  tr -d '\r' < "$report"
  echo "----"
fi
find "$bin" -maxdepth 1 -name 'velqor_*.log' -newer "$work/demo.ZEVcos" -exec echo "Errors were logged in {}" \;
echo "velqor exit code: $status (0 done, 1 the pass failed or was cancelled, 2 the configuration could not be used)"
exit "$status"
