#!/usr/bin/env bash
# Runs every random-input driver for N steps over several seeds, in parallel on
# the machine's cores, at the lowest priority, in the AddressSanitizer build.
#   tools/stress.sh N [driver...]      (drivers: Tree DateScaler Grid Gant ...; default all)
# SKEDRA_STRESS_SEEDS (default "1 2 3 4") sets the seeds, SKEDRA_TEST_BUILD the
# build directory. A failing run is shrunk (SKEDRA_DRIVER_SHRINK=1); its log
# names the seed, the step and the shortest failing list of steps. Logs go to
# $build/stress/.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 1 ] || ! [[ $1 =~ ^[0-9]+$ ]]; then
    echo "usage: tools/stress.sh N [driver...]" >&2
    exit 2
fi
steps=$1
shift
build=${SKEDRA_TEST_BUILD:-build-asan}
program=$build/tests/reliability/reliability_drivers
if [ ! -x "$program" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSKEDRA_SANITIZE=ON
    cmake --build "$build" --target reliability_drivers -j"$(nproc)"
fi
drivers=("$@")
if [ ${#drivers[@]} -eq 0 ]; then
    mapfile -t drivers < <("$program" --gtest_list_tests | sed -n 's/^  //p')
fi
seeds=${SKEDRA_STRESS_SEEDS:-1 2 3 4}
logs=$build/stress
mkdir -p "$logs"
source_dir=$(pwd)

run_one() { # driver seed
    local log=$logs/$1-seed$2.log
    if env QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 LANG=C.UTF-8 \
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
        LSAN_OPTIONS=suppressions=$source_dir/tests/lsan.supp:print_suppressions=0 \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        SKEDRA_DRIVER_SEED=$2 SKEDRA_DRIVER_STEPS=$steps SKEDRA_DRIVER_SHRINK=1 \
        nice -n 19 "$program" --gtest_filter="Drive.$1" >"$log" 2>&1; then
        echo "ok    $1 seed $2 ($steps steps)"
    else
        echo "FAIL  $1 seed $2: $(grep -m1 -E 'seed [0-9]+ step|driver (died|hung)' "$log" || echo "see $log")"
    fi
}
export -f run_one
export logs steps program source_dir

for d in "${drivers[@]}"; do
    for s in $seeds; do
        echo "$d $s"
    done
done | xargs -P "$(nproc)" -n 2 bash -c 'run_one "$0" "$1"' | tee "$logs/summary.txt"
! grep -q '^FAIL' "$logs/summary.txt"
