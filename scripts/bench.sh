#!/usr/bin/env bash
# Builds the "bench" preset and runs every benchmark against sqlsim, printing one table of figures,
# each beside its reference, with the ratio. Run on demand; never part of CI's pass/fail.
# REPEATS (default 5) sets how many times each figure is measured; the median is shown.
set -euo pipefail
cd "$(dirname "$0")/.."
REPEATS=${REPEATS:-5}

for paquete in hyperfine:hyperfine tsql:freetds-bin Xvfb:xvfb; do
    if ! command -v "${paquete%%:*}" > /dev/null; then apt-get install -y "${paquete#*:}" > /dev/null; fi
done

cmake --preset bench > /dev/null
cmake --build --preset bench > /dev/null
BIN=$PWD/build-bench/bin
RESULTADOS=$PWD/build-bench/bench-results.txt

TRABAJO=$(mktemp -d)
SQLSIM_PID=""
XVFB_PID=""
limpia() {
    local pid
    for pid in $SQLSIM_PID $XVFB_PID; do
        kill "$pid" 2> /dev/null || true
        wait "$pid" 2> /dev/null || true
    done
    rm -rf "$TRABAJO"
}
trap limpia EXIT

# Lines "RESULT|figure|value|unit|reference|value|unit|goal" go to the table; the rest is shown as is.
: > "$RESULTADOS.raw"
registra() { tee -a "$RESULTADOS.raw"; }
carga() { echo "INFO|load average $(cut -d' ' -f1-3 /proc/loadavg) $1" | registra; }

# Starts sqlsim on the scenario file $1 (stopping the previous one); sets PUERTO.
arranca_sqlsim() {
    para_sqlsim
    "$BIN/sqlsim" --scenario "$1" > "$TRABAJO/sqlsim.out" &
    SQLSIM_PID=$!
    for _ in $(seq 200); do
        PUERTO=$(sed -n 's/^listening on 127.0.0.1:\([0-9]*\)$/\1/p' "$TRABAJO/sqlsim.out")
        [[ -n $PUERTO ]] && return
        sleep 0.05
    done
    echo "sqlsim did not start" >&2
    exit 1
}
para_sqlsim() {
    if [[ -n $SQLSIM_PID ]]; then kill "$SQLSIM_PID"; wait "$SQLSIM_PID" || true; SQLSIM_PID=""; fi
}

# A program folder: a copy of velqor with the definition $2.cfp of database $2 on port $3 beside it.
carpeta_programa() {
    mkdir -p "$1"
    cp "$BIN/velqor" "$1/velqor"
    "$BIN/velqor-config" write-cfp "$1/$2.cfp" --name "$2" --server "127.0.0.1,$3" --database "$2" \
        --user sa --password Velqor.2024 --force > /dev/null
}

# A scenario of database $1 with the application user ana (password "secreto") and the given
# "generate" object (empty for no indexes).
escenario() {
    local hash generar=""
    hash=$("$BIN/velqor-config" hash-password --password secreto)
    [[ -n $2 ]] && generar=", \"generate\": $2"
    cat << JSON
{"version": 15, "logins": [{"user": "sa", "password": "Velqor.2024"}], "defaultDatabase": "$1",
 "databases": [{"name": "$1", "recovery": "FULL", "backedUp": true$generar,
   "UsuariosPW": [{"Usuario_ID": "ana", "Usuario_PW": "$hash", "Usuario_cd": 2}]}]}
JSON
}

# The environment of an unattended run: no display, its own settings home.
entorno_desatendido() {
    env -u DISPLAY -u WAYLAND_DISPLAY HOME="$TRABAJO/home" XDG_CONFIG_HOME="$TRABAJO/home" \
        XDG_RUNTIME_DIR="$TRABAJO/home" QT_QPA_PLATFORM=offscreen "$@"
}
mkdir -p "$TRABAJO/home" && chmod 700 "$TRABAJO/home"

mediana() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

echo "== Machine: $(nproc) cores, $(sed -n 's/^model name\t*: //p' /proc/cpuinfo | head -1)" | registra

# ---- Survey ----
carga "before the survey"
arranca_sqlsim tools/sqlsim/scenarios/grande.json
carpeta_programa "$TRABAJO/grande" Grande "$PUERTO"
"$BIN/velqor_bench_encuesta" "$TRABAJO/grande" Grande "$PUERTO" Grande sa Velqor.2024 "$REPEATS" | registra

# ---- History file ----
carga "before the history file"
"$BIN/velqor_bench_historial" --benchmark_color=false > "$TRABAJO/historial.txt"
grep -o 'RESULT|.*' "$TRABAJO/historial.txt" | registra

# ---- Start-up: an unattended run against an empty database ----
carga "before start-up"
escenario Vacia "" > "$TRABAJO/vacia.json"
arranca_sqlsim "$TRABAJO/vacia.json"
carpeta_programa "$TRABAJO/vacia" Vacia "$PUERTO"
mkdir -p "$TRABAJO/vacia/informes" "$TRABAJO/respaldos"
"$BIN/velqor-config" write-launch "$TRABAJO/vacia/noche.ZEVcos" --database Vacia --user ana \
    --password secreto --offline --report-folder "$TRABAJO/vacia/informes" \
    --backup-folder "$TRABAJO/respaldos" > /dev/null
echo "SELECT 1" > "$TRABAJO/select1.sql"
echo go >> "$TRABAJO/select1.sql"
entorno_desatendido hyperfine -N --warmup 2 --runs $((REPEATS * 4)) --style none \
    --export-json "$TRABAJO/arranque.json" \
    "$TRABAJO/vacia/velqor $TRABAJO/vacia/noche.ZEVcos" \
    "sh -c 'TDSVER=7.4 tsql -H 127.0.0.1 -p $PUERTO -U sa -P Velqor.2024 -D Vacia -o q < $TRABAJO/select1.sql > /dev/null'" \
    > /dev/null
mapfile -t ARRANQUE < <(grep -o '"median": *[0-9.e-]*' "$TRABAJO/arranque.json" | awk '{printf "%.1f\n", $2 * 1000}')
if ! ls "$TRABAJO"/vacia/*.txt > /dev/null 2>&1; then
    echo "the unattended run wrote no report" >&2
    exit 1
fi
echo "RESULT|Start-up: unattended run, empty database, start to exit|${ARRANQUE[0]}|ms|goal|150|ms|< 1x" | registra
echo "RESULT|Start-up: unattended run, empty database, start to exit|${ARRANQUE[0]}|ms|tsql start, login, SELECT 1|${ARRANQUE[1]}|ms|-" | registra

# ---- Start to first paint of the window (Xvfb) ----
carga "before first paint"
PANTALLA=:$((90 + RANDOM % 100))
Xvfb "$PANTALLA" -br -nolisten tcp -screen 0 1280x1024x24 2> /dev/null &
XVFB_PID=$!
sleep 1
PINTA=$(env HOME="$TRABAJO/home" XDG_CONFIG_HOME="$TRABAJO/home" XDG_RUNTIME_DIR="$TRABAJO/home" \
    DISPLAY="$PANTALLA" QT_QPA_PLATFORM=xcb "$BIN/velqor_bench_primer_dibujo" $((REPEATS * 2)) "$TRABAJO/vacia/velqor" |
    sed -n 's/^PAINT|//p')
echo "RESULT|Start to first paint of the window (Xvfb)|$PINTA|ms|unattended run, empty database|${ARRANQUE[0]}|ms|-" | registra
kill "$XVFB_PID"; wait "$XVFB_PID" 2> /dev/null || true; XVFB_PID=""

# ---- Pass overhead: 1,000 fragmented indexes, statements taking no simulated time ----
carga "before the pass"
escenario Ventas '{"tables": 10, "indexesPerTable": 100, "density": {"min": 20, "max": 60}, "seed": 3}' \
    > "$TRABAJO/ventas.json"
PASADAS=()
MEMORIA=()
CPU=()
for _ in $(seq "$REPEATS"); do
    # A fresh server each time: a pass leaves every index rebuilt.
    arranca_sqlsim "$TRABAJO/ventas.json"
    rm -rf "$TRABAJO/ventas"
    carpeta_programa "$TRABAJO/ventas" Ventas "$PUERTO"
    mkdir -p "$TRABAJO/ventas/informes"
    "$BIN/velqor-config" write-launch "$TRABAJO/ventas/noche.ZEVcos" --database Ventas --user ana \
        --password secreto --offline --report-folder "$TRABAJO/ventas/informes" \
        --backup-folder "$TRABAJO/respaldos" > /dev/null
    inicio=$(date +%s%N)
    entorno_desatendido /usr/bin/time -v -o "$TRABAJO/time.txt" "$TRABAJO/ventas/velqor" "$TRABAJO/ventas/noche.ZEVcos"
    fin=$(date +%s%N)
    tratados=$(cat "$TRABAJO"/ventas/*.txt | grep -c '^Reindex ' || true)
    if [[ $tratados -ne 1000 ]]; then echo "the pass treated $tratados indexes, not 1000" >&2; exit 1; fi
    PASADAS+=("$(( (fin - inicio) / 1000 ))")
    MEMORIA+=("$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$TRABAJO/time.txt")")
    CPU+=("$(awk -F': ' '/User time|System time/ {s += $2} END {print s * 1000}' "$TRABAJO/time.txt")")
done
IDA_VUELTA=$("$BIN/velqor_bench_ida_vuelta" "$TRABAJO/ventas" Ventas 3000 "$REPEATS" | cut -d'|' -f3)
para_sqlsim
PASADA_MS=$(printf '%s\n' "${PASADAS[@]}" | mediana | awk '{print $1 / 1000}')
RSS_MB=$(printf '%s\n' "${MEMORIA[@]}" | mediana | awk '{printf "%.1f", $1 / 1024}')
CPU_MS=$(printf '%s\n' "${CPU[@]}" | mediana)
awk -v p="$PASADA_MS" -v rt="$IDA_VUELTA" -v a="${ARRANQUE[0]}" -v c="$CPU_MS" -v m="$RSS_MB" 'BEGIN {
    printf "INFO|pass over 1000 indexes: %.0f ms wall, %.0f ms CPU of the program (user+sys); round trip %.3f ms\n", p, c, rt
    printf "RESULT|Pass: wall time per index|%.3f|ms|three round trips (3 x SELECT 1)|%.3f|ms|-\n", p / 1000, 3 * rt
    printf "RESULT|Pass: per index beyond the three round trips|%.3f|ms|goal|1|ms|< 1x\n", p / 1000 - 3 * rt
    printf "RESULT|Pass: the same, net of the empty-database run|%.3f|ms|goal|1|ms|< 1x\n", (p - a) / 1000 - 3 * rt
    printf "RESULT|Pass: program CPU time per index|%.3f|ms|goal|1|ms|< 1x\n", c / 1000
    printf "RESULT|Pass: peak memory (max RSS)|%.1f|MB|goal|50|MB|< 1x\n", m
}' | registra
carga "at the end"

# ---- The table ----
{
    echo
    printf '%-62s %12s  %-46s %12s %8s  %-6s %s\n' Figure Measured Reference Value Ratio Goal Met
    awk -F'|' '/^RESULT/ {
        ratio = ($6 > 0) ? $3 / $6 : 0
        goal = $8; met = ""
        if (goal ~ /^< [0-9.]+x$/) { split(goal, g, /[ x]/); met = (ratio < g[2]) ? "yes" : "NO" }
        printf "%-62s %9s %-2s  %-46s %9s %-2s %7.2fx  %-6s %s\n", $2, $3, $4, $5, $6, $7, ratio, goal, met
    }' "$RESULTADOS.raw"
    echo
    grep -E '^(INFO|==)' "$RESULTADOS.raw" | sed 's/^INFO|/  /'
} | tee "$RESULTADOS"
