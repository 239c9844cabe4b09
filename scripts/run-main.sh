#!/usr/bin/env bash
# The main job: builds the Gooch plug-in and the stand-in host into build/,
# renders scenes/gooch.json to out/gooch.png and prints the image's path.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
mkdir -p build out
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > build.configure.log 2>&1 \
  || { cat build.configure.log >&2; exit 1; }
cmake --build build -j "$(nproc)" --target tepidon kvrender >&2
KV_PLUGIN_PATH="$PWD/build/plugins" build/bin/kvrender scenes/gooch.json -o out/gooch.png --quiet > /dev/null
echo "$PWD/out/gooch.png"
