#!/usr/bin/env bash
# Builds the Windows programs and stand-in DLLs (preset "windows", build-windows/) and runs them
# under Wine (64-bit, headless, in a Wine prefix of its own) on virtual chips: the help texts
# byte for byte, the OEM conversion on a console, program-verify-read through DLportIO.dll and
# through ftd2xx.dll (an FT2232H and an FT232R), dorvik's -wf and -rf with CR LF files, a user break, the statuses of a
# failed verify, a missing file and a wrong chip, and the zip. Every check wants a known output
# and a known status, so a Wine that starts nothing fails them.
#
#   bash scripts/windows-check.sh          # the whole set (about a minute after the build)
#   bash scripts/windows-check.sh smoke    # help texts and one run through each DLL
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
set_name=${1:-full}

echo "== Building the 'windows' preset, warnings as errors"
cmake --preset windows -DQUARNEL_WERROR=ON >/dev/null && cmake --build --preset windows -j2 || exit 1
bin=$root/build-windows/bin

work=$(mktemp -d)
cleanup() {
  wineserver -k >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

# Programs see Windows' own code pages for this locale: ANSI 1252, OEM 437.
export LC_ALL=C.UTF-8 WINEPREFIX=$work/prefix WINEDEBUG=-all DISPLAY=
export WINEDLLOVERRIDES="mscoree,mshtml="
unset AVRSIM_TARGET DLPORTIO_LIBRARY FTD2XX_LIBRARY
echo "== Creating the Wine prefix"
if ! wineboot -i >/dev/null 2>&1; then
  echo "wineboot failed"
  exit 1
fi

checks=0
failures=()
fail() {
  failures+=("$case_name: $*")
  echo "   FAILED: $*"
}

# A new case in a folder of its own, with the programs and DLLs copied beside each other.
begin() {
  case_name=$1
  echo "-- $case_name"
  dir=$work/$case_name
  mkdir -p "$dir"
  cp "$bin"/*.exe "$bin"/*.dll "$dir"/
  cp "$root"/examples/firmware/*.hex "$dir"/
}

# run PROGRAM ARGS...: runs PROGRAM.exe in the case folder; output in $dir/out, status in $status.
run() {
  local program=$1
  shift
  (cd "$dir" && wine "./$program.exe" "$@" >out 2>err)
  status=$?
}

# The text with every line ended by CR LF, as the programs' text-mode output writes it.
crlf() {
  sed 's/$/\r/'
}

expect_status() {
  checks=$((checks + 1))
  [ "$status" -eq "$1" ] || fail "status $status, expected $1"
}

# expect_line TEXT: the output has the line TEXT (ended by CR LF).
expect_line() {
  checks=$((checks + 1))
  grep -qxF -- "$1"$'\r' "$dir/out" || fail "no line '$1' in the output"
}

# expect_same FILE EXPECTED: byte for byte.
expect_same() {
  checks=$((checks + 1))
  cmp -s "$1" "$2" || fail "$(basename "$1") differs from $(basename "$2")"
}

# expect_read_back READ WRITTEN: a HEX file read from the chip holds the CR LF lines of the
# file written, byte for byte, but for the last data record, which the chip fills up to 16 bytes.
expect_read_back() {
  checks=$((checks + 1))
  [ "$(wc -l <"$1")" -eq "$(wc -l <"$2")" ] && cmp -s <(head -n -2 "$1") <(head -n -2 "$2") &&
    cmp -s <(tail -n 1 "$1") <(tail -n 1 "$2") || fail "$(basename "$1") is not $(basename "$2")"
}

avrsim() {
  run avrsim "$@"
  [ "$status" -eq 0 ] || fail "avrsim $* ended with $status"
}

begin quarnel-help
run quarnel -?
expect_status 0
expect_line "quarnel/WIN32  -  AVR controllers programmer by the quarnel developers"
{
  printf 'Command:\n  -?\n'
  cat tests/data/quarnel/usage.txt
  printf '\nSupported devices\n'
} | crlf >"$dir/usage.expected"
tail -n +5 "$dir/out" | head -c "$(wc -c <"$dir/usage.expected")" >"$dir/usage.got"
expect_same "$dir/usage.got" "$dir/usage.expected"

begin dorvik-help
run dorvik
expect_status 0
# dorvik prints its Russian lines in Windows-1251; the golden text is their UTF-8 form.
iconv -f UTF-8 -t CP1251 tests/data/dorvik/help.txt | crlf >"$dir/help.expected"
expect_same "$dir/out" "$dir/help.expected"

begin quarnel-dlportio
avrsim new bench.txt mega328P
export AVRSIM_TARGET=bench.txt
run quarnel +mega328P -e -w -v blink-mega328p.hex
expect_status 0
expect_line "Device connected, mega328P detected"
expect_line " passed"
run quarnel +mega328P -r read.hex
expect_status 0
expect_read_back "$dir/read.hex" "$dir/blink-mega328p.hex"
unset AVRSIM_TARGET

begin quarnel-ftd2xx
avrsim new bench.txt mega328P clock=16MHz ftdi=ft2232h
export AVRSIM_TARGET=bench.txt
run quarnel +mega328P -aft2232h -ps=AVRSIM01A -o16MHz -e -w -v blink-mega328p.hex
expect_status 0
expect_line "Device connected, mega328P detected"
expect_line " passed"
run quarnel +mega328P -aft2232h -ps=AVRSIM01A -o16MHz -r read.hex
expect_status 0
expect_read_back "$dir/read.hex" "$dir/blink-mega328p.hex"
unset AVRSIM_TARGET

begin quarnel-ft232r
avrsim new bench.txt mega328P clock=16MHz ftdi=ft232r
export AVRSIM_TARGET=bench.txt
run quarnel +mega328P -aft232r -o16MHz -e -w -v blink-mega328p.hex
expect_status 0
expect_line "Device connected, mega328P detected"
expect_line " passed"
# The Linux SPI adapter says where it works.
run quarnel +mega328P -alinuxspi
expect_status 70
expect_line "Adapter 'linuxspi' works on Linux only"
unset AVRSIM_TARGET

if [ "$set_name" != smoke ]; then
  begin quarnel-console
  avrsim new bench.txt mega328P
  # A console gets the OEM code page: é (0xE9 in 1252) becomes 0x82, which Wine's console
  # then shows as U+0082; a pipe gets the ANSI byte itself.
  # (-e with a file alone is refused: status 70.)
  (cd "$dir" && AVRSIM_TARGET=bench.txt script -qec "wine ./quarnel.exe +mega328P -e é.hex" \
    /dev/null </dev/null >out.pty 2>&1)
  status=$?
  expect_status 70
  checks=$((checks + 1))
  grep -q $'\xc2\x82\\.hex' "$dir/out.pty" || fail "no OEM text on the console"
  run quarnel +mega328P -e é.hex
  expect_status 70
  expect_line $'  +mega328P -e \xe9.hex'
  expect_line "Nothing to do with files, -r or -w or -v must be specified"

  begin quarnel-line-ends
  avrsim new bench.txt mega328P
  export AVRSIM_TARGET=bench.txt
  tr -d '\r' <"$dir/blink-mega328p.hex" >"$dir/lf.hex"
  run quarnel +mega328P -e -w -v lf.hex
  expect_status 0
  expect_line " passed"
  unset AVRSIM_TARGET

  # The ELF reader (binary input of its own) and the S-record writer (text output).
  if command -v avr-gcc >/dev/null; then
    begin quarnel-elf-srec
    avrsim new bench.txt mega328P
    export AVRSIM_TARGET=bench.txt
    avr-gcc -Os -mmcu=atmega328p -DF_CPU=1000000UL -o "$dir/blink.elf" examples/firmware/blink.c
    run quarnel +mega328P -e -w -v --file-fuses blink.elf
    expect_status 0
    expect_line "Verifying fuses"
    expect_line " passed"
    run quarnel +mega328P -r -c :srec:read.srec
    expect_status 0
    checks=$((checks + 1))
    [ "$(grep -c $'^S[0-9][0-9A-F]*\r$' "$dir/read.srec")" -eq "$(wc -l <"$dir/read.srec")" ] ||
      fail "read.srec is not CR LF S-records"
    avrsim new bench.txt mega8
    run quarnel +mega8 -w blink.elf
    expect_status 30
    expect_line "blink.elf is built for mega328P, the chip is mega8|mega8A"
    unset AVRSIM_TARGET
  fi

  begin dorvik-files
  avrsim new bench.txt mega8 adapter=dorvik
  export AVRSIM_TARGET=bench.txt
  printf '378' >"$dir/dorvik.ini"
  printf '41\r\n' >"$dir/serial.txt"
  run dorvik atmega8 -wf=blink-mega8.hex -asn=serial.txt -ws=1
  expect_status 0
  expect_line $'  Current serial number -\t\t\t\t41.'
  printf '42\r\n' >"$dir/serial.expected"
  expect_same "$dir/serial.txt" "$dir/serial.expected"
  run dorvik atmega8 -rf=read.hex
  expect_status 0
  expect_line "  Flash data saved."
  # 8 KB as 512 records of 16 bytes between the segment and end records, each line CR LF; the
  # program's own records as the example file has them.
  checks=$((checks + 1))
  [ "$(grep -c $'^:[0-9A-F]*\r$' "$dir/read.hex")" -eq 514 ] && [ "$(wc -l <"$dir/read.hex")" -eq 514 ] ||
    fail "read.hex is not 514 CR LF records"
  grep '^:10' "$dir/blink-mega8.hex" | head -n -1 >"$dir/program.expected"
  sed -n "2,$(($(wc -l <"$dir/program.expected") + 1))p" "$dir/read.hex" >"$dir/program.got"
  expect_same "$dir/program.got" "$dir/program.expected"
  tr -d '\r' <"$dir/blink-mega8.hex" >"$dir/lf.hex"
  run dorvik atmega8 -wf=lf.hex -ws=7
  expect_status 0
  expect_line $'  Current serial number -\t\t\t\t7.'
  unset AVRSIM_TARGET

  begin user-break
  avrsim new bench.txt mega328P
  export AVRSIM_TARGET=bench.txt
  (cd "$dir" && exec wine ./quarnel.exe +mega328P -r read.hex >out 2>err) &
  pid=$!
  until grep -q 'Reading CODE memory' "$dir/out" 2>/dev/null || ! kill -0 "$pid" 2>/dev/null; do
    sleep 0.1
  done
  kill -INT "$pid" 2>/dev/null
  wait "$pid"
  status=$?
  expect_status 80
  expect_line "Terminated by user (SIGINT)"
  unset AVRSIM_TARGET

  begin failures
  avrsim new bench.txt mega328P
  export AVRSIM_TARGET=bench.txt
  run quarnel +mega328P -e -w blink-mega328p.hex
  expect_status 0
  run quarnel +mega328P -v blink-mega8.hex
  expect_status 10
  expect_line "Verifying CODE memory"
  run quarnel +mega328P -e -w -v missing.hex
  expect_status 70
  expect_line "Can't open file 'missing.hex'"
  expect_line "No such file or directory"
  run quarnel +mega8 -r read.hex
  expect_status 30
  expect_line "Can't continue"
  unset AVRSIM_TARGET

  begin package
  cmake --build --preset windows --target package >"$dir/package.log" 2>&1 ||
    fail "the package target failed"
  zip=$(ls -t "$root"/build-windows/packages/quarnel-*-win64.zip | head -n 1)
  (cd "$dir" && cmake -E tar xf "$zip")
  unpacked=$dir/$(basename "$zip" .zip)
  checks=$((checks + 1))
  [ -f "$unpacked/README.md" ] && [ -f "$unpacked/examples/firmware/blink-mega8.hex" ] &&
    ! ls "$unpacked"/*.dll >/dev/null 2>&1 || fail "the zip lacks README.md or examples, or holds DLLs"
  checks=$((checks + 1))
  [ -f "$unpacked/rehearsal/avrsim.exe" ] && [ -f "$unpacked/rehearsal/DLportIO.dll" ] &&
    [ -f "$unpacked/rehearsal/ftd2xx.dll" ] || fail "the zip's rehearsal/ lacks avrsim.exe or a stand-in DLL"
  # The rehearsal as the README gives it: avrsim's chip, quarnel run from rehearsal/.
  (cd "$unpacked/rehearsal" && wine ./avrsim.exe new bench.txt mega8 >/dev/null 2>&1 &&
    AVRSIM_TARGET=bench.txt DLPORTIO_LIBRARY='DLportIO.dll' wine ../quarnel.exe +mega8 -e -w -v \
      ../examples/firmware/blink-mega8.hex >"$dir/out" 2>"$dir/err")
  status=$?
  expect_status 0
  expect_line "Verifying CODE memory"
  # dorvik.exe needs the DLPortIO driver's DLL to start; quarnel.exe loads it only for a port.
  (cd "$unpacked" && wine ./quarnel.exe -? >"$dir/out" 2>"$dir/err")
  status=$?
  expect_status 0
  expected=$work/quarnel-help/usage.expected
  tail -n +5 "$dir/out" | head -c "$(wc -c <"$expected")" >"$dir/usage.got"
  expect_same "$dir/usage.got" "$expected"
fi

echo "== $checks checks, ${#failures[@]} failed"
if [ ${#failures[@]} -gt 0 ]; then
  printf '   %s\n' "${failures[@]}"
  exit 1
fi
