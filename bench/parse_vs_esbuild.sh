#!/usr/bin/env bash
# Builds and runs the front-end benchmark, then times esbuild --loader=ts on the same
# generated program. Usage: bench/parse_vs_esbuild.sh [build-dir]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_BENCH=ON \
  -DCORVANE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target parse_bench >/dev/null
program=$(mktemp /tmp/parse_bench.XXXXXX.ts)
trap 'rm -f "$program"' EXIT
echo "== corvane front end (parse alone, lowering alone, parse + lower)"
"$build/bench/parse_bench" "$program"
if command -v esbuild >/dev/null 2>&1; then
  echo "== esbuild --loader=ts (best of 5, whole process including start-up)"
  best=""
  for _ in 1 2 3 4 5; do
    start=$(date +%s%N)
    esbuild --loader=ts --log-level=error < "$program" > /dev/null
    end=$(date +%s%N)
    ms=$(( (end - start) / 1000000 ))
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
  done
  size=$(stat -c %s "$program")
  echo "best: ${best} ms ($(awk -v s="$size" -v m="$best" 'BEGIN { printf "%.1f", s / 1e6 / (m / 1e3) }') MB/s, includes parsing, transforming and printing)"
else
  echo "esbuild not installed; skipped"
fi
