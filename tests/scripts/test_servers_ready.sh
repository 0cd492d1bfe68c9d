#!/usr/bin/env bash
# The test servers must be usable the moment their start command returns, also on a machine
# where they have never run: each start here begins with empty cache, spool and state folders.
#
#   test_servers_ready.sh cups|pg SCRIPTS_DIR WORK_DIR
set -euo pipefail
kind=$1
scripts=$2
work=$3
fail() { echo "FAIL: $*" >&2; exit 1; }

case "$kind" in
  cups)
    state="$work/cups-ready"
    trap 'bash "$scripts/cups-test-server.sh" stop "$state" >/dev/null 2>&1 || true' EXIT
    printf '%%PDF-1.4\n%%%%EOF\n' > "$work/cups-ready.pdf"
    for round in 1 2 3; do
      bash "$scripts/cups-test-server.sh" start "$state" || fail "round $round: the scheduler did not start"
      server=$(cat "$state/server.txt")
      root=$(cat "$state/root.path")
      # Right away, with no pause: a job on each queue must be taken and kept.
      lp -h "$server" -d Capture "$work/cups-ready.pdf" >/dev/null || fail "round $round: Capture took no job"
      lp -h "$server" -d Capture2 "$work/cups-ready.pdf" >/dev/null || fail "round $round: Capture2 took no job"
      [ "$(lpstat -h "$server" -d)" = "system default destination: Capture" ] || fail "round $round: Capture is not the default"
      for _ in $(seq 1 100); do
        [ "$(ls "$state/jobs"/*.pdf 2>/dev/null | wc -l)" -ge 2 ] && break
        sleep 0.1
      done
      [ "$(ls "$state/jobs"/*.pdf 2>/dev/null | wc -l)" -eq 2 ] || fail "round $round: the jobs did not arrive"
      bash "$scripts/cups-test-server.sh" stop "$state"
      [ ! -e "$state" ] || fail "round $round: stop left $state"
      [ ! -e "$root" ] || fail "round $round: stop left $root"
    done
    ;;
  pg)
    state="$work/pg-ready"
    trap 'bash "$scripts/pg-test-server.sh" stop "$state" >/dev/null 2>&1 || true' EXIT
    bash "$scripts/pg-test-server.sh" start "$state" || fail "the server did not start"
    port=$(sed 's/.*Port=\([0-9]*\);.*/\1/' "$state/connect.txt")
    psql=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)/psql
    run() { if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi; }
    [ "$(run "$psql" -h 127.0.0.1 -p "$port" -U frtest -d postgres -XAtqc 'select 40+2')" = 42 ] \
      || fail "the server does not answer a query right after start"
    bash "$scripts/pg-test-server.sh" stop "$state"
    [ ! -e "$state" ] || fail "stop left $state"
    ;;
  *) echo "usage: $0 cups|pg SCRIPTS_DIR WORK_DIR" >&2; exit 2 ;;
esac
echo "ok: $kind"
