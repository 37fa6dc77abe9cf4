#!/usr/bin/env bash
# Builds everything, creates a virtual mega328P, programs and verifies the example
# firmware with quarnel, then reads the chip back and compares it with the image.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j2 >/dev/null

bin=$top/build/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$bin/avrsim" new "$work/chip.avr" mega328P adapter=kelma
export AVRSIM_TARGET=$work/chip.avr
export DLPORTIO_LIBRARY=$bin/libavrsim_dlportio.so

"$bin/quarnel" +mega328P -e -w -v examples/firmware/blink-mega328p.hex -d examples/firmware/blink-mega328p.eep.hex
"$bin/quarnel" +mega328P -r -c "$work/flash.hex" -d "$work/eeprom.hex"

# The chip's own view of its flash, straight from the target file, must match what quarnel read.
"$bin/avrsim" read "$work/chip.avr" flash "$work/chip-flash.hex"
as_binary() { srec_cat "$1" -intel -fill 0xFF 0x0000 0x8000 -o - -binary; }
if cmp -s <(as_binary "$work/flash.hex") <(as_binary "$work/chip-flash.hex") &&
   cmp -s <(as_binary "$work/flash.hex") <(as_binary examples/firmware/blink-mega328p.hex); then
  echo "Read-back matches the example firmware and the virtual chip."
else
  echo "Read-back differs." >&2
  exit 1
fi
