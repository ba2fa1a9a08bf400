#!/usr/bin/env bash
# Builds the Debian package build/yicangtong_VERSION_amd64.deb (installs what is missing first).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh"
"$here/scripts/build.sh"
cd "$here/build"
cpack -G DEB
