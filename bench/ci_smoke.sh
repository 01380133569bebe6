#!/usr/bin/env bash
# A smoke run of the benchmarks for CI: that they build, run and produce
# their figures. It asserts nothing about time; speed is read by people, on
# a quiet machine, with the full runs (see README).
#
#   bench/ci_smoke.sh [BUILD_DIR]
#
# BUILD_DIR (default: build) must be configured with -DPELORIN_BENCHMARKS=ON
# and built; this script builds nothing. It needs hyperfine and GNU time.
set -euo pipefail

build_dir=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)

echo "== encoder kernel, every path, briefly"
"$build_dir/pelorin_encode_benchmark" --benchmark_min_time=0.01

echo "== pelorin against cp, one small image of each pattern"
"$here/compare_with_cp.sh" -b "$build_dir" -s 256 -r 3
