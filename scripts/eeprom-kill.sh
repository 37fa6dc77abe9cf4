#!/usr/bin/env bash
# quarnel broken off by SIGKILL, SIGINT or SIGTERM at random moments of `-e- -n -w -v` runs,
# each followed by the same run whole. Fails when the chip's EEPROM is not what it was, when
# the erase counter does not count every erase, or when "(eeprom).sav" is left after a whole run.
#   scripts/eeprom-kill.sh [TRIALS]        (default 60; build/bin from QUARNEL_BIN)
set -euo pipefail
trials=${1:-60}
bin=$(cd "${QUARNEL_BIN:-$(dirname "$0")/../build/bin}" && pwd)
# shellcheck source=scripts/serial-chips.sh
source "$(dirname "$0")/serial-chips.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/eeprom-kill.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
export DLPORTIO_LIBRARY=$bin/libavrsim_dlportio.so AVRSIM_TARGET=$work/chip.avr
head -c 600 /dev/urandom >prog.bin
head -c 512 /dev/urandom >eeprom.bin
objcopy -I binary -O ihex eeprom.bin eeprom.hex
new_chip chip.avr
"$bin/avrsim" write chip.avr eeprom eeprom.hex >/dev/null
signals=(KILL INT TERM)

program() { "$bin/quarnel" +mega8 -o8MHz -e- -n -w -v :bin:prog.bin >run.log 2>&1; }

eeprom_same() {
  "$bin/avrsim" read chip.avr eeprom now.hex >/dev/null
  objcopy -I ihex -O binary --gap-fill 0xFF --pad-to 512 now.hex now.bin
  cmp -s now.bin eeprom.bin
}

# The erase counter in the last two flash bytes, as a number (65535: blank).
counter() {
  "$bin/avrsim" read chip.avr flash now.hex >/dev/null
  local h
  h=$(awk '/^:101FF000/ { print substr($0, 40, 2) substr($0, 38, 2) }' now.hex)
  echo $((16#${h:-FFFF}))
}

start=$(date +%s%N)
program
span_ms=$(( ($(date +%s%N) - start) / 1000000 + 1 ))
last=$(counter) failed=0 broken=0 damaged=0 lost_count=0
for trial in $(seq "$trials"); do
  signal=${signals[$((RANDOM % 3))]}
  program &
  pid=$!
  sleep "$(awk -v ms=$((RANDOM * 32768 + RANDOM)) -v span="$span_ms" 'BEGIN { print (ms % span) / 1000 }')"
  kill -"$signal" "$pid" 2>/dev/null || true
  status=0
  wait "$pid" 2>/dev/null || status=$?
  [ "$status" -eq 0 ] || broken=$((broken + 1))
  eeprom_same || damaged=$((damaged + 1))
  if ! program; then echo "trial $trial ($signal): the next run failed:"; tail -3 run.log; failed=1; continue; fi
  held=$(counter)
  if ! eeprom_same; then echo "trial $trial ($signal): EEPROM not restored"; failed=1; fi
  # The whole run erased once, the broken one once or not at all.
  if [ "$held" -ne $((last + 1)) ] && [ "$held" -ne $((last + 2)) ]; then
    echo "trial $trial ($signal): counter $held after $last"; lost_count=$((lost_count + 1)); failed=1
  fi
  last=$held
  [ ! -e "(eeprom).sav" ] || { echo "trial $trial: (eeprom).sav left after a whole run"; failed=1; }
  [ -z "${TRACE:-}" ] || echo "trial $trial $signal status $status counter $held"
done
echo "$trials trials, $broken broken off, EEPROM damaged on the chip by $damaged of them," \
  "$lost_count counts lost; counter at $last"
[ "$failed" -eq 0 ] && echo "every EEPROM restored, every erase counted" || echo "FAILED"
exit "$failed"
