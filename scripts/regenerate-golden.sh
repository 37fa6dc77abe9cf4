#!/usr/bin/env bash
# Rewrites the expected texts in tests/data from what the built programs print, after a
# deliberate change of that output. Usage: scripts/regenerate-golden.sh [BIN_DIR] (default
# build/bin, built first with `cmake --build --preset default`). Review with `git diff tests/data`.
set -euo pipefail
export LC_ALL=C
top=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "${1:-$top/build/bin}" && pwd)
data=$top/tests/data
for program in quarnel dorvik avrsim libavrsim_dlportio.so; do
  [ -e "$bin/$program" ] || { echo "missing $bin/$program: build first" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# quarnel with the given arguments, on the virtual chip in chip.avr when there is one;
# what follows the banner and the echo of the command line.
quarnel() {
  AVRSIM_TARGET=$work/chip.avr DLPORTIO_LIBRARY=$bin/libavrsim_dlportio.so \
    "$bin/quarnel" "$@" >out.txt 2>&1
  sed '1,/^Command:$/d' out.txt | sed 1d
}

# dorvik run from its own folder (where it looks for dorvik.ini) on the virtual chip in target.
dorvik() {
  AVRSIM_TARGET=$work/target DLPORTIO_LIBRARY=$bin/libavrsim_dlportio.so ./dorvik "$@"
}

# The usage ends with an empty line before the device list.
quarnel '-?' | sed '/^Supported devices$/,$d' | sed '$d' >"$data/quarnel/usage.txt"
# The fuse listing is followed by the empty line of the help exit.
quarnel +ATmega8 '-?' | sed '$d' >"$data/quarnel/fuses-mega8.txt"

# Fuse values as an identifying run prints them, up to the total time.
fuse_values() { quarnel "+$1" | sed -n '/^Fuses $/,/^Total time /p' | sed '$d'; }
"$bin/avrsim" new chip.avr mega8 "calibration=9A 9B 9C 9D" >/dev/null
fuse_values mega8 >"$data/quarnel/fuse-values-mega8.txt"
"$bin/avrsim" new chip.avr mega328P >/dev/null
fuse_values mega328P >"$data/quarnel/fuse-values-mega328p.txt"

cp "$bin/dorvik" dorvik
echo 378 >dorvik.ini
dorvik >"$data/dorvik/help.txt"
"$bin/avrsim" new target mega8 adapter=dorvik lock=FC fuse_high=D9 >/dev/null
# The lock report follows "Read lock bits" on its line; the high fuse report follows its title.
dorvik atmega8 -rlb | sed -n '/^  Read lock bits/,$p' | sed '1s/^  Read lock bits//' \
  >"$data/dorvik/lock-report-atmega8.txt"
dorvik atmega8 -rlhf | sed '1,/^  Read fuse high bits\.$/d' >"$data/dorvik/fuse-high-report-atmega8.txt"

git -C "$top" status --short -- tests/data
