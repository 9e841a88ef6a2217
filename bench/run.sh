#!/usr/bin/env bash
# Builds the program and its benchmarks in Release mode in a folder of their own, then runs every
# benchmark several times and prints one table of medians with minima, maxima and targets.
#
#   bash bench/run.sh [--quick] [--rounds N]
#
# TINTWELL_BENCH_BUILD_DIR chooses the build folder (default: build-bench/ in the checkout). The
# packages listed in .ci/packages must be installed (bash scripts/dev.sh build installs them).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TINTWELL_BENCH_BUILD_DIR:-$root/build-bench}

# Build messages go to standard error, so that standard output holds the table alone.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$build" --target tintwell_bench --parallel "$(nproc)" >&2
exec "$build/bench/tintwell_bench" "$@"
