#!/usr/bin/env bash
# The second CI build: clang with ThreadSanitizer, where an unused private field, function or
# variable is an error. It builds the library and the test programs labelled "threads" (those
# that start threads) and runs them; a ThreadSanitizer report fails the test.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${SKEDRA_THREADS_BUILD:-build-tsan}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
    -DSKEDRA_TSAN=ON -DSKEDRA_STRICT_UNUSED=ON -DSKEDRA_BENCH=OFF -DSKEDRA_DEMO=OFF
# The test names are their programs' target names.
mapfile -t targets < <(cd "$build" && ctest -N -L threads | sed -n 's/^ *Test *#[0-9]*: *//p')
if [ ${#targets[@]} -eq 0 ]; then
    echo "No test is labelled threads" >&2
    exit 1
fi
# The whole library (every folder compiled by clang) and the plugin, plus the labelled tests.
extra=()
if ninja -C "$build" -t targets all | grep -q '^skedra_registration:'; then extra+=(skedra_registration); fi
cmake --build "$build" -j"$(nproc)" --target skedra "${extra[@]}" "${targets[@]}"
cd "$build"
ctest -L threads --output-on-failure -j"$(nproc)" "$@"
