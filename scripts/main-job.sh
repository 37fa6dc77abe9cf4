#!/usr/bin/env bash
# Builds the programs, creates a virtual mega328P, programs and verifies the example
# firmware with quarnel, then reads the chip back and compares it with the image.
# Its build (build-programs/, tests off) is separate from the test build (build/). The chip
# and the files stay in build-programs/rehearsal/; the job ends with the line that puts the
# programs on the PATH.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

stage() { printf '\n== %s\n' "$*"; }

stage "Installing missing packages (cmake, g++, make, ccache, srecord)"
bash scripts/install-deps.sh programs

stage "Configuring the programs build in build-programs/ (tests off)"
cmake --preset programs
stage "Building quarnel, dorvik, avrsim and the stand-in libraries (a first build takes a few minutes)"
cmake --build --preset programs -j2

bin=$top/build-programs/bin
work=$top/build-programs/rehearsal
rm -rf "$work"
mkdir -p "$work"

stage "Creating a virtual mega328P on a KELMA cable ($work/chip.avr)"
"$bin/avrsim" new "$work/chip.avr" mega328P adapter=kelma
export AVRSIM_TARGET=$work/chip.avr
export DLPORTIO_LIBRARY=$bin/libavrsim_dlportio.so

stage "Erasing, programming and verifying the example firmware (flash and EEPROM)"
"$bin/quarnel" +mega328P -e -w -v examples/firmware/blink-mega328p.hex -d examples/firmware/blink-mega328p.eep.hex
stage "Reading flash and EEPROM back into files"
"$bin/quarnel" +mega328P -r -c "$work/flash.hex" -d "$work/eeprom.hex"

stage "Comparing the read-back flash with the example firmware and the virtual chip's memory"
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

stage "Where everything is"
echo "Programs (quarnel, dorvik, avrsim, the stand-in libraries): $bin"
echo "Virtual chip and read-back files (chip.avr, flash.hex, eeprom.hex): $work"
echo "To call the programs by name, as README.md's \"Using quarnel\" does, run:"
echo "  export PATH=$bin:\$PATH"
