#!/usr/bin/env bash
# Builds the Debian package from the build tree into a scratch folder and checks what it holds:
# the program, the launcher, the desktop entry (its window class the program's), the icons, the
# copyright file, and the declared dependencies: every library the installed program needs
# (readelf -d) belongs to a package in Depends; the server's parts are recommended.
set -euo pipefail
build="$1"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb="$(ls "$out"/*.deb)"
files="$(dpkg-deb -c "$deb" | awk '{print $6}')"
fail=0
for f in ./usr/bin/yicangtong ./usr/lib/yicangtong/yicangtong ./usr/share/applications/yicangtong.desktop \
         ./usr/share/icons/hicolor/48x48/apps/yicangtong.png ./usr/share/icons/hicolor/256x256/apps/yicangtong.png \
         ./usr/share/doc/yicangtong/copyright; do
  grep -qxF "$f" <<<"$files" || { echo "missing in the package: $f"; fail=1; }
done

# The names of a Depends-style field, without versions and alternatives' separators.
names() { tr ',|' '\n\n' <<<"$1" | sed -e 's/(.*)//' -e 's/[[:space:]]//g' -e '/^$/d'; }
depends="$(names "$(dpkg-deb -f "$deb" Depends)")"
recommends="$(names "$(dpkg-deb -f "$deb" Recommends)")"
root="$out/root"
dpkg-deb -x "$deb" "$root"
needed="$(readelf -d "$root/usr/lib/yicangtong/yicangtong" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')"
[ -n "$needed" ] || { echo "no libraries read from the program"; fail=1; }
for lib in $needed; do
  # Every reader takes its whole input: a pipe closed early would fail the script (pipefail).
  path="$(ldconfig -p | awk -v l="$lib" '$1 == l && !p { p = $NF } END { print p }')"
  pkg="$( [ -n "$path" ] && dpkg -S "$(readlink -f "$path")" 2>/dev/null | awk -F: 'NR == 1 { print $1 }' || true)"
  [ -n "$pkg" ] || pkg="$( [ -n "$path" ] && dpkg -S "$path" 2>/dev/null | awk -F: 'NR == 1 { print $1 }' || true)"
  if [ -z "$pkg" ]; then echo "no package found for $lib"; fail=1; continue; fi
  grep -qxF "$pkg" <<<"$depends" || { echo "not declared: $pkg (for $lib)"; fail=1; }
done
for d in libqt6sql6-sqlite qt6-qpa-plugins; do
  grep -qxF "$d" <<<"$depends" || { echo "not declared: $d"; fail=1; }
done
for r in libqt6sql6-psql postgresql-client-15; do
  grep -qxF "$r" <<<"$recommends" || { echo "not recommended: $r"; fail=1; }
done

desktop="$(cat "$root/usr/share/applications/yicangtong.desktop")"
grep -qx 'Name=衣仓通' <<<"$desktop" || { echo "desktop entry without its name"; fail=1; }
# Qt names the window class after the application name the program sets.
grep -qx "StartupWMClass=yicangtong" <<<"$desktop" || { echo "desktop entry without the window class"; fail=1; }
grep -q 'setApplicationName(QStringLiteral("yicangtong"))' "$(dirname "$0")/../../src/app/main.cpp" \
  || { echo "the program's window class is not yicangtong"; fail=1; }
[ $fail -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $fail
