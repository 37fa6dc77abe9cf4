#!/usr/bin/env bash
# quarnel killed (SIGKILL) at random moments of `-e -w -v` runs with a SERNO file. Fails when
# a chip gets a number that another chip has or that the file still offers, when the file is
# damaged, or when a temporary file is left after the next complete run.
#   scripts/serial-kill.sh [TRIALS]        (default 150; build/bin from QUARNEL_BIN)
set -euo pipefail
trials=${1:-150}
bin=$(cd "${QUARNEL_BIN:-$(dirname "$0")/../build/bin}" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/serial-kill.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
export DLPORTIO_LIBRARY=$bin/libavrsim_dlportio.so AVRSIM_TARGET=$work/chip.avr
printf ':10000000000102030405060708090A0B0C0D0E0F78\n:00000001FF\n' >prog.hex
"$bin/avrsim" new chip.avr mega8 clock=8MHz port_cycle_us=0.25 >/dev/null
echo 1000 >sn.txt
failed=0

program() { "$bin/quarnel" +mega8 -o8MHz -e -w -v prog.hex "-C*SERNO4=0,sn.txt" >run.log 2>&1; }

# The 32-bit number at flash address 0 of the chip, or "blank".
chip_number() {
  "$bin/avrsim" read chip.avr flash chip.hex >/dev/null
  local h
  h=$(awk '/^:10000000/ { print substr($0, 10, 8) }' chip.hex)
  if [ -z "$h" ] || [ "$h" = FFFFFFFF ]; then echo blank; else
    echo $((16#${h:6:2}${h:4:2}${h:2:2}${h:0:2}))
  fi
}

# How long a whole run takes here, so that the kills fall anywhere in one.
start=$(date +%s%N)
program
span_ms=$(( ($(date +%s%N) - start) / 1000000 + 1 ))
used=" $(chip_number) "
last=$(chip_number)
killed=0 left=0
for trial in $(seq "$trials"); do
  program &
  pid=$!
  sleep "$(awk -v ms=$((RANDOM * 32768 + RANDOM)) -v span="$span_ms" 'BEGIN { print (ms % span) / 1000 }')"
  kill -KILL "$pid" 2>/dev/null || true
  status=0
  wait "$pid" 2>/dev/null || status=$?
  [ "$status" -ne 137 ] || killed=$((killed + 1))
  left=$((left + $(find . -name '.*.tmp' | wc -l)))
  held=$(tr -d '\n' <sn.txt)
  if ! [[ $held =~ ^[0-9]+$ ]]; then
    echo "trial $trial: damaged number file: $(od -c sn.txt | head -1)"; failed=1; break
  fi
  chip=$(chip_number)
  if [ "$chip" != "$last" ] && [ "$chip" != blank ]; then
    case "$used" in *" $chip "*) echo "trial $trial: $chip on a second chip"; failed=1 ;; esac
    [ "$chip" -lt "$held" ] || { echo "trial $trial: chip holds $chip, file offers $held"; failed=1; }
    used="$used$chip "
  fi
  last=$chip; [ -z "${TRACE:-}" ] || echo "trial $trial status $status chip $chip file $held"
done
program || { echo "last run failed:"; tail -3 run.log; failed=1; }
leftovers=$(find . -name '.*.tmp' | tr '\n' ' ')
[ -z "$leftovers" ] || { echo "temporary files left after the last run: $leftovers"; failed=1; }
echo "$trials trials, $killed killed mid-run, $left temporary files found after kills," \
  "$(echo $used | wc -w) numbers on chips, file holds $(cat sn.txt)"
[ "$failed" -eq 0 ] && echo "no number on two chips" || echo "FAILED"
exit "$failed"
