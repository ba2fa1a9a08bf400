#!/usr/bin/env bash
# Configures once and builds incrementally.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
if [ ! -f "$here/build/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$here/build" -j"$(nproc)"
