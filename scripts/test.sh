#!/usr/bin/env bash
# Builds and runs every test: a normal build, then address and undefined
# behaviour sanitizers, then the thread-sanitizer label.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)

run() {  # run <build-dir> <ctest args...> -- <cmake args...>
  local dir=$1; shift
  local ctest_args=(); while [ "$1" != "--" ]; do ctest_args+=("$1"); shift; done; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" > "$dir.configure.log" 2>&1 \
    || { cat "$dir.configure.log"; exit 1; }
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure --no-tests=error -j "$jobs" "${ctest_args[@]}"
}

mkdir -p build
echo "== normal build"
run build -LE tsan --
echo "== address and undefined-behaviour sanitizers"
run build-asan -LE 'tsan|bench' -- -DKV_SANITIZE=address -DKV_BUILD_BENCHMARKS=OFF
echo "== thread sanitizer"
run build-tsan -L tsan -- -DKV_SANITIZE=thread -DKV_BUILD_BENCHMARKS=OFF
