#!/usr/bin/env bash
# Installs what the build and the benchmarks' peers need, builds the benchmarks and
# runs the one named (bench/<name>.cpp) or all of them.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
vt_install_missing "${vt_bench_packages[@]}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVT_BUILD_BENCH=ON
if [ $# -gt 0 ]; then
  cmake --build build -j "$(nproc)" --target "bench_$1"
  "build/bench/bench_$1"
else
  cmake --build build -j "$(nproc)"
  for b in build/bench/bench_*; do "$b"; done
fi
