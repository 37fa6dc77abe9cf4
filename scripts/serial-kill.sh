#!/usr/bin/env bash
# quarnel broken off by SIGINT, SIGTERM and SIGKILL at each phase of `-e -w -v` runs with a
# SERNO file, each broken run followed by a full one. Fails when a chip gets a number that
# another chip had or that the file still offers, when the file is damaged, or when a
# temporary file is left after the next complete run.
#   scripts/serial-kill.sh [TRIALS]        (default 150; build/bin from QUARNEL_BIN)
# Trial t sends signal t mod 3 once the run has printed the line of phase (t / 3) mod 5: the
# serial number taken, the erase done, programming begun, programming half done (its fourth
# dot), verifying begun. The signal comes once the line is there, never after a fixed time.
set -euo pipefail
trials=${1:-150}
bin=$(cd "${QUARNEL_BIN:-$(dirname "$0")/../build/bin}" && pwd)
# shellcheck source=scripts/serial-chips.sh
source "$(dirname "$0")/serial-chips.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/serial-kill.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
export DLPORTIO_LIBRARY=$bin/libavrsim_dlportio.so AVRSIM_TARGET=$work/chip.avr
# 4 KB (eight progress dots each way), the number in its first page.
awk 'BEGIN {
  for (line = 0; line < 256; line++) {
    a = line * 16; sum = 16 + int(a / 256) + a % 256; text = sprintf(":10%04X00", a)
    for (i = 0; i < 16; i++) { b = (a + i * 7) % 256; sum += b; text = text sprintf("%02X", b) }
    print text sprintf("%02X", (256 - sum % 256) % 256)
  }
  print ":00000001FF"
}' >prog.hex
new_chip chip.avr
echo 1000 >sn.txt
failed=0
signals=(INT TERM KILL)
phases=("Chip serial number is" "Device erased" "Programming CODE memory" "...." "Verifying CODE memory")

run=("$bin/quarnel" +mega8 -o8MHz -e -w -v prog.hex "-C*SERNO4=0,sn.txt")
program() { "${run[@]}" >run.log 2>&1; }

used=" " last=blank
# The one virtual chip stands for a chip per run. A full run's chip, and a broken run's chip
# that shows a number it did not show before, must hold a number no chip had and the file no
# longer offers. $3 is "new" for a full run.
check_chip() {
  local chip held
  held=$(head -1 sn.txt | tr -d '\r\n')
  if ! [[ $held =~ ^[0-9]+$ ]]; then
    echo "trial $1: damaged number file: $(od -c sn.txt | head -1)"; failed=1; return 1
  fi
  chip=$(chip_number chip.avr)
  if [ "$chip" != blank ] && { [ "$chip" != "$last" ] || [ "${3:-}" = new ]; }; then
    case "$used" in *" $chip "*) echo "trial $1: $chip on a second chip"; failed=1 ;; esac
    [ "$chip" -lt "$held" ] || { echo "trial $1: chip holds $chip, file offers $held"; failed=1; }
    used="$used$chip "
  fi
  last=$chip
  [ -z "${TRACE:-}" ] || echo "trial $1 $2 chip $chip file $held"
}

broken=0 left=0 kept=0
for trial in $(seq 0 $((trials - 1))); do
  signal=${signals[trial % 3]}
  phase=${phases[(trial / 3) % 5]}
  : >run.log
  # Started straight from this shell, so that the signal reaches quarnel itself.
  "${run[@]}" >run.log 2>&1 &
  pid=$!
  # The run's own output says when it has reached the phase.
  while kill -0 "$pid" 2>/dev/null && ! grep -qF -- "$phase" run.log; do sleep 0.005; done
  kill "-$signal" "$pid" 2>/dev/null || true
  status=0
  wait "$pid" 2>/dev/null || status=$?
  { [ "$status" -eq 80 ] || [ "$status" -eq 137 ]; } && broken=$((broken + 1))
  ! grep -q "stays used" run.log || kept=$((kept + 1))
  left=$((left + $(find . -name '.*.tmp' | wc -l)))
  check_chip "$trial" "SIG$signal at '$phase' status $status" || break
  program || { echo "trial $trial: the full run failed:"; tail -3 run.log; failed=1; break; }
  check_chip "$trial" "full run" new || break
done
leftovers=$(find . -name '.*.tmp' | tr '\n' ' ')
[ -z "$leftovers" ] || { echo "temporary files left after the last run: $leftovers"; failed=1; }
echo "$trials trials, $broken broken mid-run ($kept kept their number as used)," \
  "$left temporary files found after breaks, $(echo $used | wc -w) numbers on chips," \
  "file holds $(cat sn.txt)"
[ "$failed" -eq 0 ] && echo "no number on two chips" || echo "FAILED"
exit "$failed"
