#!/usr/bin/env bash
# Several stations on one PostgreSQL counter and log, on a server of their own
# (examples/production/pg-rehearsal.sh): STATIONS runs at once, ROUNDS times; a missing
# counter, a refused login, the server stopped and started again, a failed run, no libpq.
# Prints one line per check; fails when a number went to two chips or was skipped, a chip
# does not hold the number its run reported, a log row does not match its chip, or a refused
# run touched its chip. Exit 77 without PostgreSQL's server programs.
#   scripts/serial-db-bench.sh [STATIONS [ROUNDS]]    (default 8 5; build/bin from QUARNEL_BIN)
set -euo pipefail
stations=${1:-8}
rounds=${2:-5}
top=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "${QUARNEL_BIN:-$top/build/bin}" && pwd)
server=$top/examples/production/pg-rehearsal.sh
# shellcheck source=scripts/serial-chips.sh
source "$top/scripts/serial-chips.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/serial-db.XXXXXX")
trap 'bash "$server" remove "$work/pg"; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
cd "$work"
status=0
bash "$server" start pg || status=$?
[ "$status" = 0 ] || exit "$status"
export DLPORTIO_LIBRARY=$bin/libavrsim_dlportio.so
db="postgresql:///line?host=$work/pg&user=quarnel"
first=1000
failed=0

# 16 bytes at 0 in which the serial number (4 bytes, low byte first) lands.
printf ':10000000000102030405060708090A0B0C0D0E0F78\n:00000001FF\n' >prog.hex

sql() { psql -X -q -tA "$db" -c "$1"; }
export PGOPTIONS="-c client_min_messages=warning"

# One station's run on chip $1 with the counter and log of URI $2; more switches after.
station() {
  local chip=$1 uri=$2
  shift 2
  AVRSIM_TARGET=$work/$chip "$bin/quarnel" +mega8 -o8MHz -e -w -v prog.hex "-C*SERNO4=0,board-a" \
    "--serial-db=$uri" "--log=$uri" "$@"
}

# A run that must end with status 70 and leave its chip as it was; $1 the check's name,
# $2 the text its output must hold, the rest the station's arguments.
refused() {
  local name=$1 text=$2 run=0
  shift 2
  new_chip refused.avr
  cp refused.avr refused.before
  station refused.avr "$@" >refused.log 2>&1 || run=$?
  if [ "$run" != 70 ] || ! grep -qF -- "$text" refused.log; then
    echo "$name: status $run, expected 70 and \"$text\""; tail -4 refused.log; failed=1
  elif ! cmp -s refused.avr refused.before; then
    echo "$name: the chip was changed"; failed=1
  else
    echo "$name: status 70, chip untouched"
  fi
}

# Nothing created by guessing: the tables appear, the counter does not.
refused "missing counter" "INSERT INTO quarnel_counters (name, next) VALUES ('board-a', 1);" "$db"
echo "counters after it: $(sql "SELECT count(*) FROM quarnel_counters")"
psql -X -q "$db" -f "$top/examples/production/quarnel.sql"
sql "INSERT INTO quarnel_counters (name, next) VALUES ('board-a', $first)"
# The stations' first runs create the log's table, one after the other.
sql "DROP TABLE quarnel_log"

for i in $(seq "$stations"); do new_chip "chip$i.avr"; done
passed=0
: >numbers
for round in $(seq "$rounds"); do
  for i in $(seq "$stations"); do
    station "chip$i.avr" "$db" "--site=S$i" >"run$i.log" 2>&1 &
    echo $! >"run$i.pid"
  done
  for i in $(seq "$stations"); do
    run=0
    wait "$(cat "run$i.pid")" || run=$?
    reported=$(sed -n 's/^Chip serial number is \([0-9]*\)$/\1/p' "run$i.log")
    chip=$(chip_number "chip$i.avr")
    if [ "$run" -ne 0 ]; then
      echo "round $round station $i: status $run"; tail -3 "run$i.log"; failed=1
    elif [ "$reported" != "$chip" ]; then
      echo "round $round station $i: reported '$reported', chip holds '$chip'"; failed=1
    else
      echo "$chip" >>numbers; passed=$((passed + 1))
    fi
  done
done
total=$((stations * rounds))
distinct=$(sort -un numbers | wc -l)
[ -z "$(sort -n numbers | uniq -d)" ] || { echo "numbers on two chips"; failed=1; }
[ "$(sort -n numbers | head -1)" = $first ] && [ "$(sort -n numbers | tail -1)" = $((first + total - 1)) ] ||
  { echo "numbers skipped"; failed=1; }
sql "SELECT serial FROM quarnel_log WHERE result = 'ok' AND status = 0 ORDER BY serial" >logged
rows=$(wc -l <logged)
sort -n numbers | cmp -s - logged || { echo "the log's serial numbers are not the chips'"; failed=1; }
echo "$stations stations x $rounds rounds: $passed passed, $distinct distinct numbers," \
  "counter $(sql "SELECT next FROM quarnel_counters WHERE name = 'board-a'"), $rows log rows"

refused "refused login" "password authentication failed" \
  "postgresql:///line?host=$work/pg&user=station&password=wrong"

bash "$server" stop pg
refused "server stopped" "Can't connect to the database" "$db"
bash "$server" start pg
new_chip again.avr
run=0
station again.avr "$db" >again.log 2>&1 || run=$?
echo "server started again: status $run, chip holds $(chip_number again.avr)," \
  "counter $(sql "SELECT next FROM quarnel_counters WHERE name = 'board-a'")"

# A blank check that fails after the number was reserved: the number goes back.
run=0
AVRSIM_TARGET=$work/again.avr "$bin/quarnel" +mega8 -o8MHz -b -w -v prog.hex "-C*SERNO4=0,board-a" \
  "--serial-db=$db" >back.log 2>&1 || run=$?
echo "failed run: status $run, counter $(sql "SELECT next FROM quarnel_counters WHERE name = 'board-a'")"

LIBPQ_LIBRARY=$work/no-libpq.so.5 station again.avr "$db" >nolib.log 2>&1 && run=0 || run=$?
echo "no libpq: status $run, $(grep -c "Can't load library '$work/no-libpq.so.5'" nolib.log) message"

[ "$failed" -eq 0 ] && echo "no number on two chips" || echo "FAILED"
exit "$failed"
