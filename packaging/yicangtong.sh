#!/bin/sh
# Starts 衣仓通 in the user's own data folder: the database is DATA/quorvel.mdb below it, made on
# the first start; Dravont.ini and the backups live there too.
set -e
here="$(dirname "$(readlink -f "$0")")"
program="$here/../lib/yicangtong/yicangtong"
data="${YICANGTONG_HOME:-${XDG_DATA_HOME:-$HOME/.local/share}/yicangtong}"
mkdir -p "$data/DATA"
cd "$data"
if [ ! -f DATA/quorvel.mdb ]; then
  "$program" --create-database >/dev/null
fi
exec "$program" "$@"
