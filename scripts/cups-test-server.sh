#!/usr/bin/env bash
# A throwaway CUPS server for the printing tests: real print queues whose jobs are kept as
# files instead of reaching paper.
#
#   cups-test-server.sh start STATE_DIR   a scheduler listening only on 127.0.0.1 on a free
#                                         port, with the queues "Capture" (the default) and
#                                         "Capture2"; writes STATE_DIR/server.txt with the
#                                         value for CUPS_SERVER (127.0.0.1:PORT)
#   cups-test-server.sh stop STATE_DIR    stops the scheduler and removes STATE_DIR
#
# Every job lands in STATE_DIR/jobs as job-ID.pdf (the document as the program sent it)
# and job-ID.txt (job id, title, copies, options and the queue's name, one per line). The .txt is written
# first and the .pdf is renamed into place last, so a .pdf that exists is complete.
#
# The scheduler's own files (configuration, spool, cache, state, logs and the folder of
# its helper programs) live in a temporary folder that STATE_DIR/root.path names. cupsd
# must be started as root; it drops to User lp for filters, while the capture backend is
# mode 0700 and so runs as root, able to write into STATE_DIR.
set -euo pipefail

usage() { echo "usage: $0 start|stop STATE_DIR" >&2; exit 2; }
[ $# -eq 2 ] || usage
action=$1
state=$2

stop_server() {
  local root=""
  if [ -f "$state/root.path" ]; then root=$(cat "$state/root.path"); fi
  if [ -f "$state/cupsd.pid" ]; then
    local pid
    pid=$(cat "$state/cupsd.pid")
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
      for _ in $(seq 1 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
      done
      kill -9 "$pid" 2>/dev/null || true
    fi
  fi
  # Only a folder this script made (its name says so) is ever removed.
  case "$root" in
    /*/fr-cupstest.*) rm -rf "$root" ;;
  esac
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

cupsd=$(command -v cupsd || true)
[ -n "$cupsd" ] || cupsd=/usr/sbin/cupsd
if [ ! -x "$cupsd" ] || ! command -v lpadmin >/dev/null || ! command -v lpstat >/dev/null; then
  echo "cups-test-server: cupsd, lpadmin or lpstat not found (install the cups and cups-client packages)" >&2
  exit 1
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "cups-test-server: cupsd must be started as root (it runs its helpers as lp)" >&2
  exit 1
fi
if ! getent passwd lp >/dev/null || ! getent group lp >/dev/null; then
  echo "cups-test-server: the lp user and group are missing" >&2
  exit 1
fi

# A server left from an interrupted run goes first.
stop_server
mkdir -p "$state/jobs"
state=$(cd "$state" && pwd)
root=$(mktemp -d /tmp/fr-cupstest.XXXXXX)
echo "$root" > "$state/root.path"
# The scheduler checks that its helpers and their folders belong to root and are not
# writable by others; lp must be able to pass through to the spool.
chmod 0755 "$root"
mkdir -p "$root/etc/ppd" "$root/spool/tmp" "$root/cache" "$root/state" "$root/log" "$root/bin/backend"
for d in filter cgi-bin daemon driver notifier monitor; do
  if [ -e "/usr/lib/cups/$d" ]; then ln -s "/usr/lib/cups/$d" "$root/bin/$d"; fi
done
cat > "$root/bin/backend/capture" <<EOF
#!/bin/sh
# capture job-id user title copies options [file]
if [ \$# -eq 0 ]; then
  echo 'direct capture "Unknown" "Capture backend"'
  exit 0
fi
umask 022
out='$state/jobs'
part="\$out/.job-\$1"
if [ -n "\$6" ]; then cp "\$6" "\$part.pdf" || exit 1; else cat > "\$part.pdf" || exit 1; fi
printf '%s\n%s\n%s\n%s\n%s\n' "\$1" "\$3" "\$4" "\$5" "\$PRINTER" > "\$out/job-\$1.txt"
mv "\$part.pdf" "\$out/job-\$1.pdf"
exit 0
EOF
chown root:root "$root/bin/backend/capture"
chmod 0700 "$root/bin/backend/capture"

cat > "$root/etc/cups-files.conf" <<EOF
User lp
Group lp
SystemGroup root
ServerRoot $root/etc
RequestRoot $root/spool
TempDir $root/spool/tmp
CacheDir $root/cache
StateDir $root/state
ServerBin $root/bin
AccessLog $root/log/access_log
ErrorLog $root/log/error_log
PageLog $root/log/page_log
FatalErrors config listen
EOF

# A free port: ask the kernel for one no process listens on, then let the scheduler
# confirm by binding it (a bind failure is fatal to it, so it exits and we try again).
port_in_use() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

started=""
for _ in $(seq 1 20); do
  port=$((20000 + RANDOM % 30000))
  port_in_use "$port" && continue
  cat > "$root/etc/cupsd.conf" <<EOF
LogLevel warn
Listen 127.0.0.1:$port
ServerName 127.0.0.1
Browsing No
BrowseLocalProtocols none
WebInterface No
DefaultAuthType None
MaxJobs 0
PreserveJobHistory Off
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
    Allow all
  </Limit>
</Policy>
EOF
  # Detached from this script, so the test command that started it can end.
  setsid "$cupsd" -f -c "$root/etc/cupsd.conf" -s "$root/etc/cups-files.conf" \
    </dev/null >>"$root/log/cupsd.out" 2>&1 &
  pid=$!
  echo "$pid" > "$state/cupsd.pid"
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break
    # lpstat exits 0 also when nothing answers, so its words decide.
    if [ "$(lpstat -h "127.0.0.1:$port" -r 2>/dev/null || true)" = "scheduler is running" ]; then
      started=$port
      break
    fi
    sleep 0.1
  done
  [ -n "$started" ] && break
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  rm -f "$state/cupsd.pid"
done
if [ -z "$started" ]; then
  cat "$root/log/error_log" "$root/log/cupsd.out" >&2 2>/dev/null || true
  echo "cups-test-server: the scheduler did not start" >&2
  exit 1
fi

server="127.0.0.1:$started"
# A scheduler that has just come up with empty cache folders may still turn requests away
# for a moment, so each administration request gets a few seconds of retries.
admin() {
  for _ in $(seq 1 50); do
    if lpadmin -h "$server" "$@" >>"$root/log/lpadmin.out" 2>&1; then return 0; fi
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.2
  done
  return 1
}
for q in Capture Capture2; do
  if ! admin -p "$q" -E -v capture:/ -m raw; then
    cat "$root/log/lpadmin.out" "$root/log/error_log" >&2 2>/dev/null || true
    echo "cups-test-server: the queue $q could not be made" >&2
    exit 1
  fi
done
if ! admin -d Capture; then
  cat "$root/log/lpadmin.out" >&2 2>/dev/null || true
  echo "cups-test-server: the queue Capture could not be made the default" >&2
  exit 1
fi
# The queues are ready when the scheduler lists them as accepting jobs.
ready=""
for _ in $(seq 1 50); do
  accepting=$(lpstat -h "$server" -a 2>/dev/null || true)
  if grep -q '^Capture accepting requests' <<<"$accepting" && grep -q '^Capture2 accepting requests' <<<"$accepting"; then
    ready=1
    break
  fi
  sleep 0.2
done
if [ -z "$ready" ]; then
  lpstat -h "$server" -a >&2 2>&1 || true
  echo "cups-test-server: the queues do not accept jobs" >&2
  exit 1
fi
echo "$server" > "$state/server.txt"
echo "cups-test-server: listening on $server ($root), jobs in $state/jobs"
