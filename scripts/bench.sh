#!/usr/bin/env bash
# Builds the "bench" preset and runs every benchmark against sqlsim, printing one table of figures,
# each beside its reference, with the ratio. Run on demand; never part of CI's pass/fail.
# REPEATS (default 5) sets how many times each figure is measured; the table shows the median with
# the minimum and maximum, and the load average when the figure's measurement began. A figure that
# fails is reported as failed and the others still run; the exit status is 1 when any failed.
# SCALE_REPEATS (default 2) sets the repeats of the 1,000,000-index figures.
# ONLY=TEXT runs only the figures whose name holds TEXT (e.g. ONLY=policy).
set -euo pipefail
cd "$(dirname "$0")/.."
REPEATS=${REPEATS:-5}
SCALE_REPEATS=${SCALE_REPEATS:-2}

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
    for _ in $(seq 600); do
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

# A program folder: a copy of velqor and its window module (lib/) with the definition $2.cfp of
# database $2 on port $3 beside it.
carpeta_programa() {
    mkdir -p "$1"
    cp "$BIN/velqor" "$1/velqor"
    cp -r "$BIN/lib" "$1/lib"
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
        XDG_RUNTIME_DIR="$TRABAJO/home" "$@"
}
mkdir -p "$TRABAJO/home" && chmod 700 "$TRABAJO/home"

# min/median/max of the numbers on standard input (one a line), each scaled by $1 (default 1).
reparto() {
    sort -g | awk -v f="${1:-1}" -v d="${2:-1}" '{v[NR] = $1 * f}
        END {m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
             printf "%.*f/%.*f/%.*f\n", d, v[1], d, m, d, v[NR]}'
}
# The median of a min/median/max value.
mediana_de() { cut -d/ -f2 <<< "$1"; }

# Runs one figure's section in a subshell that stops at its first failing command; a failure is
# reported in the table and the next section runs. The section's sqlsim and Xvfb end with it.
FALLIDAS=0
figura() {
    local nombre=$1 rc
    shift
    [[ -z ${ONLY:-} || $nombre == *"$ONLY"* ]] || return 0
    carga "before $nombre"
    set +e
    (
        set -e
        trap 'para_sqlsim; para_xvfb' EXIT
        "$@"
    )
    rc=$?
    set -e
    if ((rc != 0)); then
        echo "FAILED|$nombre|exit status $rc, the messages above say why" | registra
        FALLIDAS=$((FALLIDAS + 1))
    fi
}

# Starts Xvfb on a free display and waits until it accepts clients (it writes the display number
# to the descriptor given with -displayfd once it does); sets PANTALLA. -noreset: an X server resets
# itself when its last client leaves and refuses connections meanwhile, which would fail the run
# that follows one that closed its connection.
arranca_xvfb() {
    local numero=""
    Xvfb -displayfd 3 -noreset -br -nolisten tcp -screen 0 1280x1024x24 3> "$TRABAJO/xvfb.pantalla" 2> "$TRABAJO/xvfb.err" &
    XVFB_PID=$!
    for _ in $(seq 300); do
        numero=$(tr -dc 0-9 < "$TRABAJO/xvfb.pantalla")
        [[ -n $numero ]] && break
        kill -0 "$XVFB_PID" 2> /dev/null || break
        sleep 0.05
    done
    if [[ -z $numero ]]; then
        echo "Xvfb did not start: $(cat "$TRABAJO/xvfb.err")" >&2
        return 1
    fi
    PANTALLA=":$numero"
}
para_xvfb() {
    if [[ -n $XVFB_PID ]]; then kill "$XVFB_PID" 2> /dev/null || true; wait "$XVFB_PID" 2> /dev/null || true; XVFB_PID=""; fi
}

# The unattended run against an empty database, prepared once: the start-up figure and the first
# paint use it. Its median start-up time is kept in $TRABAJO/arranque.ms for the later figures.
arranque_ms() { cat "$TRABAJO/arranque.ms" 2> /dev/null || echo 0; }

echo "== Machine: $(nproc) cores, $(sed -n 's/^model name\t*: //p' /proc/cpuinfo | head -1)" | registra

# ---- Survey ----
encuesta() {
    arranca_sqlsim tools/sqlsim/scenarios/grande.json
    carpeta_programa "$TRABAJO/grande" Grande "$PUERTO"
    "$BIN/velqor_bench_encuesta" "$TRABAJO/grande" Grande "$PUERTO" Grande sa Velqor.2024 "$REPEATS" |
        tee "$TRABAJO/encuesta.txt" | registra
    [[ ${PIPESTATUS[0]} -eq 0 ]]
}
figura "the survey" encuesta

# ---- History file ----
historial() {
    "$BIN/velqor_bench_historial" --benchmark_color=false "--benchmark_repetitions=$REPEATS" > "$TRABAJO/historial.txt"
    grep -o 'RESULT|.*' "$TRABAJO/historial.txt" | registra
}
figura "the history file" historial

# The load a pass makes: once, in a process whose memory is all fresh, beside a plain read of the
# same file in a fresh process.
historial_primera_carga() {
    local ruta=$TRABAJO/historial-10000.txt cargas lecturas
    "$BIN/velqor_bench_historial" --write "$ruta" 10000
    cargas=$(for _ in $(seq "$REPEATS"); do "$BIN/velqor_bench_historial" --load "$ruta"; done | reparto 1 3)
    lecturas=$(for _ in $(seq "$REPEATS"); do "$BIN/velqor_bench_historial" --read "$ruta"; done | reparto 1 3)
    echo "RESULT|History load, 10000 indexes x 31, first in a fresh process|$cargas|ms|plain read in a fresh process|$lecturas|ms|-" | registra
}
figura "the history file's first load" historial_primera_carga

# ---- Start-up: an unattended run against an empty database ----
arranque() {
    escenario Vacia "" > "$TRABAJO/vacia.json"
    arranca_sqlsim "$TRABAJO/vacia.json"
    carpeta_programa "$TRABAJO/vacia" Vacia "$PUERTO"
    mkdir -p "$TRABAJO/vacia/informes" "$TRABAJO/respaldos"
    "$BIN/velqor-config" write-launch "$TRABAJO/vacia/noche.ZEVcos" --database Vacia --user ana \
        --password secreto --offline --report-folder "$TRABAJO/vacia/informes" \
        --backup-folder "$TRABAJO/respaldos" --program-folder "$TRABAJO/vacia" > /dev/null
    echo "SELECT 1" > "$TRABAJO/select1.sql"
    echo go >> "$TRABAJO/select1.sql"
    entorno_desatendido hyperfine -N --warmup 2 --runs $((REPEATS * 4)) --style none \
        --export-json "$TRABAJO/arranque.json" \
        "$TRABAJO/vacia/velqor $TRABAJO/vacia/noche.ZEVcos" \
        "sh -c 'TDSVER=7.4 tsql -H 127.0.0.1 -p $PUERTO -U sa -P Velqor.2024 -D Vacia -o q < $TRABAJO/select1.sql > /dev/null'" \
        > /dev/null
    if ! ls "$TRABAJO"/vacia/*.txt > /dev/null 2>&1; then
        echo "the unattended run wrote no report" >&2
        return 1
    fi
    # min/median/max of each command, in ms, from hyperfine's export.
    local programa tsql
    valores() { grep -o "\"$1\": *[0-9.e-]*" "$TRABAJO/arranque.json" | awk '{printf "%.1f\n", $2 * 1000}'; }
    mapfile -t MINIMOS < <(valores min)
    mapfile -t MEDIANAS < <(valores median)
    mapfile -t MAXIMOS < <(valores max)
    programa="${MINIMOS[0]}/${MEDIANAS[0]}/${MAXIMOS[0]}"
    tsql="${MINIMOS[1]}/${MEDIANAS[1]}/${MAXIMOS[1]}"
    echo "${MEDIANAS[0]}" > "$TRABAJO/arranque.ms"
    echo "RESULT|Start-up: unattended run, empty database, start to exit|$programa|ms|goal|150|ms|< 1x" | registra
    echo "RESULT|Start-up: unattended run, empty database, start to exit|$programa|ms|tsql start, login, SELECT 1|$tsql|ms|< 3x" | registra
}
figura "start-up" arranque

# ---- Start to first paint of the window (Xvfb) ----
primer_dibujo() {
    local pinta
    [[ -x $TRABAJO/vacia/velqor ]] || { echo "the start-up figure did not prepare the program" >&2; return 1; }
    arranca_xvfb
    pinta=$(env HOME="$TRABAJO/home" XDG_CONFIG_HOME="$TRABAJO/home" XDG_RUNTIME_DIR="$TRABAJO/home" \
        DISPLAY="$PANTALLA" QT_QPA_PLATFORM=xcb "$BIN/velqor_bench_primer_dibujo" $((REPEATS * 2)) "$TRABAJO/vacia/velqor" |
        sed -n 's/^PAINT|//p')
    [[ -n $pinta ]]
    echo "RESULT|Start to first paint of the window (Xvfb)|$pinta|ms|unattended run, empty database|$(arranque_ms)|ms|-" | registra
}
figura "first paint" primer_dibujo

# An unattended pass over database $1 of scenario file $2, $3 times, each against a fresh sqlsim
# (a pass leaves every index rebuilt); checks that it treated $4 indexes. Leaves min/median/max of
# wall time (ms), the program's CPU time (ms) and peak memory (MB) in PASADA, CPU and RSS.
pasadas() {
    local base=$1 escenario_json=$2 veces=$3 esperados=$4 inicio fin tratados
    local -a tiempos=() memoria=() cpu=()
    for _ in $(seq "$veces"); do
        arranca_sqlsim "$escenario_json"
        rm -rf "$TRABAJO/pasada"
        carpeta_programa "$TRABAJO/pasada" "$base" "$PUERTO"
        mkdir -p "$TRABAJO/pasada/informes" "$TRABAJO/respaldos"
        "$BIN/velqor-config" write-launch "$TRABAJO/pasada/noche.ZEVcos" --database "$base" --user ana \
            --password secreto --offline --report-folder "$TRABAJO/pasada/informes" \
            --backup-folder "$TRABAJO/respaldos" --program-folder "$TRABAJO/pasada" > /dev/null
        inicio=$(date +%s%N)
        entorno_desatendido /usr/bin/time -v -o "$TRABAJO/time.txt" "$TRABAJO/pasada/velqor" "$TRABAJO/pasada/noche.ZEVcos"
        fin=$(date +%s%N)
        tratados=$(cat "$TRABAJO"/pasada/*.txt | grep -c '^Reindex ' || true)
        if [[ $tratados -ne $esperados ]]; then echo "the pass treated $tratados indexes, not $esperados" >&2; return 1; fi
        tiempos+=("$(( (fin - inicio) / 1000 ))")
        memoria+=("$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$TRABAJO/time.txt")")
        cpu+=("$(awk -F': ' '/User time|System time/ {s += $2} END {print s * 1000}' "$TRABAJO/time.txt")")
    done
    PASADA=$(printf '%s\n' "${tiempos[@]}" | reparto 0.001)
    CPU=$(printf '%s\n' "${cpu[@]}" | reparto 1 0)
    RSS=$(printf '%s\n' "${memoria[@]}" | reparto "$(awk 'BEGIN {print 1 / 1024}')")
}

# ---- Pass overhead: 1,000 fragmented indexes, statements taking no simulated time ----
pasada() {
    local ida_vuelta por_indice
    escenario Ventas '{"tables": 10, "indexesPerTable": 100, "density": {"min": 20, "max": 60}, "seed": 3}' \
        > "$TRABAJO/ventas.json"
    pasadas Ventas "$TRABAJO/ventas.json" "$REPEATS" 1000
    ida_vuelta=$("$BIN/velqor_bench_ida_vuelta" "$TRABAJO/pasada" Ventas 3000 "$REPEATS" | cut -d'|' -f3)
    [[ -n $ida_vuelta ]]
    por_indice() { tr / '\n' <<< "$1" | awk -v r="$2" -v a="$3" '{printf "%s%.3f", (NR > 1 ? "/" : ""), ($1 - a) / 1000 - r}'; }
    awk -v p="$(mediana_de "$PASADA")" -v rt="$ida_vuelta" -v c="$(mediana_de "$CPU")" 'BEGIN {
        printf "INFO|pass over 1000 indexes: %.0f ms wall (median), %.0f ms CPU of the program (user+sys); round trip %.3f ms\n", p, c, rt
    }' | registra
    echo "RESULT|Pass: wall time per index|$(por_indice "$PASADA" 0 0)|ms|three round trips (3 x SELECT 1)|$(awk -v r="$ida_vuelta" 'BEGIN {printf "%.3f", 3 * r}')|ms|-" | registra
    echo "RESULT|Pass: per index beyond the three round trips|$(por_indice "$PASADA" "$(awk -v r="$ida_vuelta" 'BEGIN {print 3 * r}')" 0)|ms|goal|1|ms|< 1x" | registra
    echo "RESULT|Pass: the same, net of the empty-database run|$(por_indice "$PASADA" "$(awk -v r="$ida_vuelta" 'BEGIN {print 3 * r}')" "$(arranque_ms)")|ms|goal|1|ms|< 1x" | registra
    echo "RESULT|Pass: program CPU time per index|$(tr / '\n' <<< "$CPU" | awk '{printf "%s%.3f", (NR > 1 ? "/" : ""), $1 / 1000}')|ms|goal|1|ms|< 1x" | registra
    echo "RESULT|Pass: peak memory (max RSS)|$RSS|MB|goal|50|MB|< 1x" | registra
}
figura "the pass" pasada

# ---- Scale: 1,000,000 indexes (10,000 tables of 100, at full density, and one table of 10
# fragmented indexes, so that the pass treats 10) ----
escala() {
    local encuesta100k
    escenario Millon '{"tables": 10000, "indexesPerTable": 100, "density": 100, "seed": 5}' |
        sed 's/"backedUp": true,/"backedUp": true, "tables": [{"name": "Fragmentada", "indexes": [{"name": "PK_F", "id": 1, "density": 30}, {"name": "IX_F2", "id": 2, "density": 31}, {"name": "IX_F3", "id": 3, "density": 32}, {"name": "IX_F4", "id": 4, "density": 33}, {"name": "IX_F5", "id": 5, "density": 34}, {"name": "IX_F6", "id": 6, "density": 35}, {"name": "IX_F7", "id": 7, "density": 36}, {"name": "IX_F8", "id": 8, "density": 37}, {"name": "IX_F9", "id": 9, "density": 38}, {"name": "IX_F10", "id": 10, "density": 39}]}],/' \
        > "$TRABAJO/millon.json"
    arranca_sqlsim "$TRABAJO/millon.json"
    carpeta_programa "$TRABAJO/millon" Millon "$PUERTO"
    "$BIN/velqor_bench_encuesta" "$TRABAJO/millon" Millon "$PUERTO" Millon sa Velqor.2024 "$SCALE_REPEATS" --without-tsql |
        tee "$TRABAJO/encuesta-millon.txt" | grep -v '^\(SURVEY\|CLIENT\)|' | registra
    [[ ${PIPESTATUS[0]} -eq 0 ]]
    local millon cliente cliente100k
    encuesta100k=$(sed -n 's/^RESULT|Survey of [0-9]* indexes (engine, connection open)|\([^|]*\)|.*plain C.*/\1/p' "$TRABAJO/encuesta.txt" 2> /dev/null || true)
    cliente100k=$(sed -n 's/^RESULT|Survey of [0-9]* indexes (engine, connection open)|[^|]*|ms|plain C[^|]*|\([^|]*\)|.*/\1/p' "$TRABAJO/encuesta.txt" 2> /dev/null || true)
    millon=$(sed -n 's/^SURVEY|\([^|]*\)|.*/\1/p' "$TRABAJO/encuesta-millon.txt")
    cliente=$(sed -n 's/^CLIENT|\(.*\)/\1/p' "$TRABAJO/encuesta-millon.txt")
    por100k() { tr / '\n' <<< "$1" | awk '{printf "%s%.1f", (NR > 1 ? "/" : ""), $1 / 10}'; }
    if [[ -n $encuesta100k ]]; then
        echo "RESULT|Scale: survey of 1,000,010 indexes, time per 100,000|$(por100k "$millon")|ms|survey of 100,000 indexes|$encuesta100k|ms|< 1.2x" | registra
        # The driver's ceiling at both sizes: how much of the growth is the driver's and the server's.
        echo "RESULT|Scale: the C client at 1,000,010 indexes, time per 100,000|$(por100k "$cliente")|ms|the C client at 100,000 indexes|$cliente100k|ms|-" | registra
    fi
    echo "RESULT|Scale: survey of 1,000,010 indexes, peak memory of the engine|$(sed -n 's/^SURVEY|[^|]*|\(.*\)/\1/p' "$TRABAJO/encuesta-millon.txt")|MB|goal|300|MB|< 1x" | registra
    pasadas Millon "$TRABAJO/millon.json" "$SCALE_REPEATS" 10
    echo "RESULT|Scale: pass over 1,000,010 indexes (10 treated), wall time|$PASADA|ms|-|0|ms|-" | registra
    echo "RESULT|Scale: pass over 1,000,010 indexes, peak memory (max RSS)|$RSS|MB|goal|300|MB|< 1x" | registra
}
figura "the 1,000,000-index scale" escala
# ---- A realistic night: 10,000 indexes, today's behaviour against the recommended policy ----
# Pages log-uniform from 8 to 1,000,000; fragmentation exponential with median 5 %, capped at 80 %
# (density 100 minus it): sqlsim's seeded generator. One index phase, users off line, per policy on
# a fresh sqlsim; the server time is computed from sqlsim's model (velqor_bench_politica says how)
# with these milliseconds per 1000 pages: a rebuild reads and writes every page (about 100 MB/s),
# a defragmentation moves pages one at a time, fully logged, at half that rate.
MS_REINDEX=80
MS_DEFRAG=160
politica_noche() {
    local politica linea
    escenario Noche '{"tables": 1000, "indexesPerTable": 10, "pages": {"min": 8, "max": 1000000}, "fragmentation": {"median": 5, "max": 80}, "seed": 26}' \
        > "$TRABAJO/noche.json"
    for politica in today recommended; do
        arranca_sqlsim "$TRABAJO/noche.json"
        mkdir -p "$TRABAJO/noche-$politica"
        "$BIN/velqor-config" write-cfp "$TRABAJO/noche-$politica/Noche.cfp" --name Noche --server "127.0.0.1,$PUERTO" \
            --database Noche --user sa --password Velqor.2024 --force \
            $([[ $politica == recommended ]] && echo --policy recommended) > /dev/null
        linea=$("$BIN/velqor_bench_politica" "$TRABAJO/noche-$politica" Noche "$MS_REINDEX" "$MS_DEFRAG")
        echo "INFO|night of 10,000 indexes, $politica: treated|rebuilt|defragmented|pages rewritten|pages moved|server s|wall ms: ${linea#POLICY|}" | registra
        echo "${linea#POLICY|}" > "$TRABAJO/noche-$politica.txt"
    done
    campo() { cut -d'|' -f"$2" "$TRABAJO/noche-$1.txt"; }
    echo "RESULT|Night of 10,000 indexes: indexes treated, recommended policy|$(campo recommended 1)|idx|today's behaviour|$(campo today 1)|idx|-" | registra
    echo "RESULT|Night of 10,000 indexes: pages rewritten (rebuilds), recommended|$(campo recommended 4)|pg|today's behaviour|$(campo today 4)|pg|-" | registra
    echo "RESULT|Night of 10,000 indexes: pages moved by defragmentation, recommended|$(campo recommended 5)|pg|today's behaviour|$(campo today 5)|pg|-" | registra
    echo "RESULT|Night of 10,000 indexes: simulated server time, recommended|$(campo recommended 6)|s|today's behaviour|$(campo today 6)|s|-" | registra
}
figura "the policy on a realistic night" politica_noche
carga "at the end"

# ---- The table ----
{
    echo
    printf '%-66s %11s %-21s  %-48s %11s %-2s %8s  %-6s %-4s %s\n' Figure Measured "(min-max)" Reference Value "" Ratio Goal Met Load
    awk -F'|' '
        /^INFO\|load average/ { split($2, l, " "); carga = l[3] }
        /^FAILED/ { printf "%-66s %11s %-21s  %-48s %11s %-2s %8s  %-6s %-4s %s\n", $2, "FAILED", "", $3, "", "", "", "", "", carga }
        /^RESULT/ {
            n = split($3, m, "/"); medido = (n == 3) ? m[2] : m[1]; rango = (n == 3) ? m[1] "-" m[3] : ""
            k = split($6, r, "/"); referencia = (k == 3) ? r[2] : r[1]
            ratio = (referencia > 0) ? medido / referencia : 0
            goal = $8; met = ""
            if (goal ~ /^< [0-9.]+x$/) { split(goal, g, /[ x]/); met = (ratio < g[2]) ? "yes" : "NO" }
            printf "%-66s %8s %-2s %-21s  %-48s %8s %-2s %7.2fx  %-6s %-4s %s\n", $2, medido, $4, rango, $5, referencia, $7, ratio, goal, met, carga
        }' "$RESULTADOS.raw"
    echo
    grep -E '^(INFO|==)' "$RESULTADOS.raw" | sed 's/^INFO|/  /'
} | tee "$RESULTADOS"
exit $((FALLIDAS > 0))
