#!/usr/bin/env bash
# A throw-away PostgreSQL cluster for the tests.
#   test_server.sh start DIR   makes a cluster in DIR, starts it on 127.0.0.1 and prints
#                              YC_TEST_SERVER=postgresql://yc@127.0.0.1:PORT/postgres
#   test_server.sh stop DIR    stops it and removes DIR
# PostgreSQL refuses to run as root: as root the cluster belongs to the postgres account.
set -euo pipefail
cmd="$1"; dir="$2"
bin="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)"
[ -x "$bin/initdb" ] || { echo "PostgreSQL server programs are missing" >&2; exit 1; }
as_owner=()
if [ "$(id -u)" -eq 0 ]; then as_owner=(runuser -u postgres --); fi

case "$cmd" in
start)
  mkdir -p "$dir"
  [ "$(id -u)" -eq 0 ] && chown postgres: "$dir"
  "${as_owner[@]}" "$bin/initdb" -D "$dir/data" -U yc --auth=trust -E UTF8 --locale=C >"$dir/initdb.log" 2>&1 ||
    { cat "$dir/initdb.log" >&2; exit 1; }
  port=""
  for p in $(seq 55432 55531); do
    if ! (exec 3<>/dev/tcp/127.0.0.1/$p) 2>/dev/null; then port=$p; break; fi
  done
  [ -n "$port" ] || { echo "no free port for the test server" >&2; exit 1; }
  # A throw-away cluster: no need to survive a crash of the machine.
  "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-p $port -c listen_addresses=127.0.0.1 -k $dir -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" \
    start >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
  echo "YC_TEST_SERVER=postgresql://yc@127.0.0.1:$port/postgres"
  ;;
stop)
  if [ -d "$dir/data" ]; then
    "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
  ;;
*)
  echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
