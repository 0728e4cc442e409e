#!/usr/bin/env bash
# Builds the demo application and runs it. Without arguments it opens its window (needs a
# display); with --screenshot DIR it renders every page to DIR as PNG and PDF and exits.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-demo -G Ninja -DCMAKE_BUILD_TYPE=Release -DSKEDRA_TESTS=OFF -DSKEDRA_BENCH=OFF
cmake --build build-demo -j"$(nproc)" --target skedra_demo
exec ./build-demo/examples/demo/skedra_demo "$@"
