#!/usr/bin/env bash
# Builds the library, its tests and the benchmarks (whose smoke runs are tests)
# with line coverage (no sanitizers, no demo), runs every CTest test and prints
# the library's line coverage per folder of skedra/. Installs Debian's gcovr
# when it is missing.
#   tools/coverage.sh [ctest arguments...]
# SKEDRA_COVERAGE_BUILD sets the build directory (default build-cov).
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v gcovr >/dev/null; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends gcovr
fi
build=${SKEDRA_COVERAGE_BUILD:-build-cov}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSKEDRA_BENCH=ON -DSKEDRA_DEMO=OFF \
    -DCMAKE_CXX_FLAGS="--coverage -fprofile-update=atomic" -DCMAKE_EXE_LINKER_FLAGS=--coverage \
    -DCMAKE_SHARED_LINKER_FLAGS=--coverage -DCMAKE_MODULE_LINKER_FLAGS=--coverage
cmake --build "$build" -j"$(nproc)"
find "$build" -name '*.gcda' -delete
# A failing test still leaves its coverage; the figures are printed either way.
(cd "$build" && ctest -j"$(nproc)" --output-on-failure "$@") || echo "(some tests failed)" >&2
gcovr --root . --filter 'skedra/' --exclude '.*_autogen/.*' --json-summary "$build/coverage.json" \
    -j"$(nproc)" "$build" >/dev/null
python3 - "$build/coverage.json" <<'PY'
import json, sys, collections
data = json.load(open(sys.argv[1]))
total = collections.defaultdict(lambda: [0, 0])
for f in data["files"]:
    parts = f["filename"].split("/")
    if len(parts) < 3 or parts[0] != "skedra":
        continue
    total[parts[1]][0] += f["line_covered"]
    total[parts[1]][1] += f["line_total"]
print(f"{'folder':<14}{'lines':>8}{'covered':>9}{'%':>8}")
all_c = all_t = 0
for folder in sorted(total):
    c, t = total[folder]
    all_c += c
    all_t += t
    print(f"{folder:<14}{t:>8}{c:>9}{100.0 * c / max(t, 1):>7.1f}%")
print(f"{'all':<14}{all_t:>8}{all_c:>9}{100.0 * all_c / max(all_t, 1):>7.1f}%")
PY
