#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and UBSan; the "fuzz" preset) and runs
# each for a while, then prints what each did. docs/fuzzing.md describes the targets and what to do
# with a finding.
#
#   scripts/fuzz.sh [-t SECONDS] [-p PARALLEL] [-m] [TARGET...]
#
#   -t SECONDS   run time of each target (default 600)
#   -p PARALLEL  targets run at the same time, one process each (default 2)
#   -m           afterwards, merge what each run found into tests/fuzz/corpus/TARGET (only inputs
#                that add coverage are copied, so the kept corpus stays small)
#   TARGET       TextoAMatriz, TextoHistorial, DiarioHistorial, PerfilConexion, LeeArchivo,
#                AnalizaLote (default: all six)
#
# The corpus a run grows, its log and any crashing input are kept under build-fuzz/fuzz-work/TARGET.
# Exit status 1 when any target found a crash, a hang, a leak or a sanitizer report.
set -euo pipefail

raiz=$(cd "$(dirname "$0")/.." && pwd)
segundos=600
paralelos=2
fusionar=0
todos=(TextoAMatriz TextoHistorial DiarioHistorial PerfilConexion LeeArchivo AnalizaLote)

uso() {
    sed -n '5,13p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
}

while getopts "t:p:mh" opcion; do
    case $opcion in
        t) segundos=$OPTARG ;;
        p) paralelos=$OPTARG ;;
        m) fusionar=1 ;;
        *) uso ;;
    esac
done
shift $((OPTIND - 1))
objetivos=("$@")
[ ${#objetivos[@]} -eq 0 ] && objetivos=("${todos[@]}")
for t in "${objetivos[@]}"; do
    if [[ " ${todos[*]} " != *" $t "* ]]; then
        echo "unknown target: $t" >&2
        [[ $t =~ ^[0-9]+$ ]] && echo "(the run time is given with -t: scripts/fuzz.sh -t $t)" >&2
        uso
    fi
done

# Fuzzing is on demand, so its compiler is not among the machine's usual packages.
if ! command -v clang++ >/dev/null ||
    ! compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null; then
    echo "== installing clang and libclang-rt-14-dev"
    como_root=()
    [ "$(id -u)" -eq 0 ] || como_root=(sudo)
    "${como_root[@]}" apt-get install -y clang libclang-rt-14-dev
fi

echo "== building the fuzz targets (build-fuzz)"
cd "$raiz"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${objetivos[@]/#/fuzz_}"

trabajo=$raiz/build-fuzz/fuzz-work

corre() {
    local t=$1 dir=$trabajo/$1
    mkdir -p "$dir/corpus" "$dir/hallazgos"
    local semillas=("$raiz/tests/fuzz/corpus/$t")
    [ -d "$raiz/tests/fuzz/regressions/$t" ] && semillas+=("$raiz/tests/fuzz/regressions/$t")
    # The first folder receives what the run finds; the kept seeds are only read.
    "$raiz/build-fuzz/bin/fuzz_$t" -max_total_time="$segundos" -timeout=5 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$dir/hallazgos/" \
        "$dir/corpus" "${semillas[@]}" >"$dir/log" 2>&1
}

echo "== running ${objetivos[*]} for $segundos s each, $paralelos at a time"
declare -A estado
declare -A proceso
for t in "${objetivos[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$paralelos" ]; do wait -n || true; done
    rm -rf "$trabajo/$t/hallazgos"
    corre "$t" &
    proceso[$t]=$!
done
for t in "${objetivos[@]}"; do
    if wait "${proceso[$t]}"; then estado[$t]=0; else estado[$t]=$?; fi
done

if [ "$fusionar" -eq 1 ]; then
    for t in "${objetivos[@]}"; do
        "$raiz/build-fuzz/bin/fuzz_$t" -merge=1 "$raiz/tests/fuzz/corpus/$t" "$trabajo/$t/corpus" \
            >"$trabajo/$t/merge.log" 2>&1
    done
fi

echo
printf '%-15s %-10s %12s %8s %7s %7s  %s\n' target result executions seconds cov ft findings
fallo=0
for t in "${objetivos[@]}"; do
    log=$trabajo/$t/log
    ejecuciones=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    tiempo=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
    linea=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -1 || true)
    cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$linea")
    ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$linea")
    hallazgos=$(ls "$trabajo/$t/hallazgos" 2>/dev/null | tr '\n' ' ')
    resultado=clean
    if [ "${estado[$t]}" -ne 0 ] || [ -n "$hallazgos" ]; then
        resultado=FINDING
        fallo=1
    fi
    printf '%-15s %-10s %12s %8s %7s %7s  %s\n' "$t" "$resultado" "${ejecuciones:--}" \
        "${tiempo:--}" "${cov:--}" "${ft:--}" "${hallazgos:--}"
done
echo "(logs and findings: $trabajo/TARGET)"
exit $fallo
