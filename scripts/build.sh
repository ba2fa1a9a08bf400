#!/usr/bin/env bash
# Configures once and builds incrementally.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
launcher=()
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="$here" CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
if [ ! -f "$here/build/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
fi
cmake --build "$here/build" -j"$(nproc)"
