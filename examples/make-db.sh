#!/usr/bin/env bash
# Makes the SQLite database of an example from its data.sql, replacing an older one:
#   bash examples/make-db.sh list              -> examples/list/list.db
#   bash examples/make-db.sh list /tmp/list.db
# Needs the sqlite3 program (Debian package sqlite3); without it Python's sqlite3 module does it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ $# -lt 1 ] || [ $# -gt 2 ] || [ ! -f "$here/$1/data.sql" ]; then
  echo "usage: $0 EXAMPLE [DB]   (EXAMPLE: $(cd "$here" && ls -d */ | grep -v embed | tr -d / | tr '\n' ' '))" >&2
  exit 2
fi
sql="$here/$1/data.sql"
db=${2:-$here/$1/$1.db}
rm -f "$db"
if command -v sqlite3 >/dev/null; then
  sqlite3 -bail "$db" < "$sql"
elif command -v python3 >/dev/null; then
  python3 -c 'import sqlite3, sys; c = sqlite3.connect(sys.argv[2]); c.executescript(open(sys.argv[1], encoding="utf-8").read()); c.commit()' "$sql" "$db"
else
  echo "$0: neither sqlite3 nor python3 is installed (apt-get install sqlite3)" >&2
  exit 1
fi
echo "$db"
