#!/usr/bin/env bash
# Builds the Debian package from the build tree into a scratch folder and checks what it holds:
# the program, the launcher, the desktop entry, the icons, and the declared dependencies.
set -euo pipefail
build="$1"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb="$(ls "$out"/*.deb)"
files="$(dpkg-deb -c "$deb" | awk '{print $6}')"
fail=0
for f in ./usr/bin/yicangtong ./usr/lib/yicangtong/yicangtong ./usr/share/applications/yicangtong.desktop \
         ./usr/share/icons/hicolor/48x48/apps/yicangtong.png ./usr/share/icons/hicolor/256x256/apps/yicangtong.png; do
  grep -qxF "$f" <<<"$files" || { echo "missing in the package: $f"; fail=1; }
done
depends="$(dpkg-deb -f "$deb" Depends)"
for d in libqt6widgets6 libqt6sql6-sqlite libqt6printsupport6 libxlsxwriter4; do
  grep -q "$d" <<<"$depends" || { echo "not declared: $d"; fail=1; }
done
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/yicangtong.desktop | grep -qx 'Name=衣仓通' \
  || { echo "desktop entry without its name"; fail=1; }
[ $fail -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $fail
