#!/usr/bin/env bash
# A throwaway PostgreSQL server for the tests and the benchmark.
#
#   pg-test-server.sh start STATE_DIR   new cluster in STATE_DIR, trust authentication,
#                                       listening only on 127.0.0.1 on a free port; writes
#                                       STATE_DIR/connect.txt with the connection string
#                                       (superuser "frtest", database "postgres")
#   pg-test-server.sh stop STATE_DIR    stops the server and removes STATE_DIR
#
# PostgreSQL refuses to run as root: as root the cluster belongs to the "postgres" user and
# every server command runs through runuser. A STATE_DIR that user cannot reach is replaced
# by a folder under /tmp, which STATE_DIR/cluster.path points to.
set -euo pipefail

usage() { echo "usage: $0 start|stop STATE_DIR" >&2; exit 2; }
[ $# -eq 2 ] || usage
action=$1
state=$2

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
if [ -z "$bindir" ] || [ ! -x "$bindir/initdb" ]; then
  echo "pg-test-server: no PostgreSQL server found under /usr/lib/postgresql (install the postgresql package)" >&2
  exit 1
fi

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

cluster_of() {
  if [ -f "$state/cluster.path" ]; then cat "$state/cluster.path"; else echo "$state/cluster"; fi
}

stop_server() {
  local cluster
  cluster=$(cluster_of)
  if [ -f "$cluster/data/postmaster.pid" ]; then
    as_owner "$bindir/pg_ctl" -D "$cluster/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  if [ "$cluster" != "$state/cluster" ]; then rm -rf "$cluster"; fi
  rm -rf "$state"
}

case "$action" in
  stop)
    stop_server
    exit 0
    ;;
  start) ;;
  *) usage ;;
esac

# A server left from an interrupted run goes first.
stop_server
mkdir -p "$state"
state=$(cd "$state" && pwd)
cluster="$state/cluster"
mkdir -p "$cluster"
if [ "$(id -u)" -eq 0 ]; then
  chown postgres: "$cluster"
  if ! runuser -u postgres -- test -w "$cluster"; then
    rmdir "$cluster"
    cluster=$(mktemp -d /tmp/fr-pgtest.XXXXXX)
    chown postgres: "$cluster"
    echo "$cluster" > "$state/cluster.path"
  fi
fi

if ! as_owner "$bindir/initdb" -D "$cluster/data" -U frtest --auth=trust -E UTF8 --locale=C.UTF-8 \
    >"$state/initdb.log" 2>&1; then
  cat "$state/initdb.log" >&2
  echo "pg-test-server: initdb failed" >&2
  exit 1
fi

# A free port: the server itself tells whether it could bind, so try a few at random.
started=""
for _ in $(seq 1 20); do
  port=$((20000 + RANDOM % 30000))
  if as_owner "$bindir/pg_ctl" -D "$cluster/data" -l "$cluster/server.log" -w -t 30 \
      -o "-p $port -c listen_addresses=127.0.0.1 -c unix_socket_directories='' -c fsync=off -c max_connections=50" \
      start >/dev/null 2>&1; then
    started=$port
    break
  fi
done
if [ -z "$started" ]; then
  cat "$cluster/server.log" >&2 || true
  echo "pg-test-server: the server did not start" >&2
  exit 1
fi

# pg_ctl -w trusts the pid file; a query that comes back is what the tests need.
ready=""
for _ in $(seq 1 100); do
  if as_owner "$bindir/psql" -h 127.0.0.1 -p "$started" -U frtest -d postgres -XAtqc 'select 1' 2>/dev/null | grep -qx 1; then
    ready=1
    break
  fi
  sleep 0.1
done
if [ -z "$ready" ]; then
  cat "$cluster/server.log" >&2 || true
  echo "pg-test-server: the server does not answer on 127.0.0.1:$started" >&2
  exit 1
fi

echo "Provider=PostgreSQL;Host=127.0.0.1;Port=$started;Database=postgres;User ID=frtest" > "$state/connect.txt"
echo "pg-test-server: listening on 127.0.0.1:$started ($cluster)"
