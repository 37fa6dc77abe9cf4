#!/usr/bin/env bash
# Several benches sharing one serial-number file: RUNS programs at once, ROUNDS times, for
# quarnel (SERNO file) and for dorvik (-asn file). Fails when a number went to two chips,
# a chip does not hold the number its run reported, a successful run's number was skipped,
# the file was damaged or a temporary file was left behind.
#   scripts/serial-bench.sh [RUNS [ROUNDS]]        (default 8 20; build/bin from QUARNEL_BIN)
set -euo pipefail
runs=${1:-8}
rounds=${2:-20}
bin=$(cd "${QUARNEL_BIN:-$(dirname "$0")/../build/bin}" && pwd)
# shellcheck source=scripts/serial-chips.sh
source "$(dirname "$0")/serial-chips.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/serial-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
export DLPORTIO_LIBRARY=$bin/libavrsim_dlportio.so
first=1000
failed=0

# 16 bytes at 0 in which the serial number (4 bytes, low byte first) lands.
printf ':10000000000102030405060708090A0B0C0D0E0F78\n:00000001FF\n' >prog.hex
printf ':00000001FF\n' >empty.hex

# One program's rounds: $1 quarnel|dorvik, $2 the number file's line end.
bench() {
  local program=$1 eol=$2 ok=0
  local numbers=$program.numbers
  printf '%s%b' $first "$eol" >"$program.sn"
  : >"$numbers"
  for i in $(seq "$runs"); do
    if [ "$program" = quarnel ]; then
      new_chip "chip$i.avr"
    else
      new_chip "chip$i.avr" adapter=dorvik
    fi
  done
  for round in $(seq "$rounds"); do
    for i in $(seq "$runs"); do
      if [ "$program" = quarnel ]; then
        AVRSIM_TARGET=$work/chip$i.avr "$bin/quarnel" +mega8 -o8MHz -e -w -v prog.hex \
          "-C*SERNO4=0,$program.sn" >"run$i.log" 2>&1 &
      else
        AVRSIM_TARGET=$work/chip$i.avr "$bin/dorvik" atmega8 -wf=prog.hex "-asn=$program.sn" \
          -ws=1 -sna=0 -snl=4 -lpt=378 -we=empty.hex >"run$i.log" 2>&1 &
      fi
      echo $! >"run$i.pid"
    done
    for i in $(seq "$runs"); do
      local status=0 reported chip
      wait "$(cat "run$i.pid")" || status=$?
      if [ "$program" = quarnel ]; then
        reported=$(sed -n 's/^Chip serial number is \([0-9]*\)$/\1/p' "run$i.log")
      else
        reported=$(tr '\r' '\n' <"run$i.log" | sed -n 's/^  Current serial number -\t*\([0-9]*\)\.$/\1/p')
      fi
      chip=$(chip_number "chip$i.avr")
      if [ "$status" -ne 0 ]; then
        echo "$program round $round run $i: status $status"; tail -3 "run$i.log"; failed=1
      elif [ "$reported" != "$chip" ]; then
        echo "$program round $round run $i: reported '$reported', chip holds '$chip'"; failed=1
      else
        echo "$chip" >>"$numbers"; ok=$((ok + 1))
      fi
    done
    local held
    held=$(tr -d '\r\n' <"$program.sn")
    if ! [[ $held =~ ^[0-9]+$ ]] || [ "$(cat "$program.sn")" != "$held$(printf '%b' "$eol")" ]; then
      echo "$program round $round: damaged number file: $(od -c "$program.sn" | head -2)"; failed=1
    fi
  done
  local distinct twice
  distinct=$(sort -un "$numbers" | wc -l)
  twice=$(sort -n "$numbers" | uniq -d | tr '\n' ' ')
  [ -z "$twice" ] || { echo "$program: numbers on two chips: $twice"; failed=1; }
  local expected
  expected=$(printf '%s%b' $((first + ok)) "$eol")
  [ "$(cat "$program.sn")" = "$expected" ] ||
    { echo "$program: file holds '$(cat "$program.sn")', expected $((first + ok))"; failed=1; }
  [ "$(sort -n "$numbers" | head -1)" = "$first" ] && [ "$(sort -n "$numbers" | tail -1)" = $((first + ok - 1)) ] ||
    { echo "$program: numbers skipped"; failed=1; }
  echo "$program: $((runs * rounds)) runs, $ok succeeded, $distinct distinct numbers, file holds $(tr -d '\r\n' <"$program.sn")"
}

bench quarnel '\n'
bench dorvik '\r\n'
leftovers=$(find . -name '*.tmp' | tr '\n' ' ')
[ -z "$leftovers" ] || { echo "temporary files left: $leftovers"; failed=1; }
[ "$failed" -eq 0 ] && echo "no number on two chips" || echo "FAILED"
exit "$failed"
