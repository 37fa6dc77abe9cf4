#!/usr/bin/env bash
# Timed runs on the virtual target with the stand-ins' time model: each USB transfer lasts its
# SCK time plus a round trip, each port access its port cycle, and the chip is busy for the
# datasheet times. For each run: the wall time, two lower bounds and the ratio to each, the
# USB round trips (or port accesses) per bit, and the host CPU time.
#
#   bash scripts/bench.sh [run...]     # every run, or those whose label contains a word given
#
# BENCH_BIN=<directory> takes the programs and stand-ins from there (say, a copy of build/bin
# made before a change) instead of building them. BENCH_REPEAT=<n> runs each case n times and
# shows the fastest run (on a busy host the others wait for a processor).
#
# Bounds (seconds):
#   datasheet  bits on the wire at the run's SCK (the SCK clocks of the run without -wp, so
#              that polls do not count), the round trips of the run without -wp (one per
#              page, one per 512-byte chunk read, one per instruction of the session
#              set-up), the datasheet busy times (flash page 4.5 ms, EEPROM byte 3.6 ms, chip
#              erase 9 ms) and the datasheet's 20 ms after each reset.
#   fixed      the same with the waits the program is told to make: the catalogue's page and
#              EEPROM byte times instead of the busy times (without -wp), the catalogue erase
#              time, 100 ms after each reset, 2 ms reset pulse after an erase, and the FTDI
#              set-up waits (40 ms).
#   For the parallel port the wire time is the port accesses times the port cycle (1 us).
# Host CPU is user + system time of the whole process; "stand-in" is the part spent inside
# the FTDI stand-in (its chip simulation and the real-time waits), as it reports it.
set -euo pipefail
cd "$(dirname "$0")/.."

bin=${BENCH_BIN:-$PWD/build/bin}
if [ -z "${BENCH_BIN:-}" ]; then
    cmake --preset default >/dev/null
    cmake --build --preset default -j2 --target quarnel dorvik avrsim avrsim_ftd2xx \
        avrsim_libftdi1 avrsim_dlportio avrsim_libusb1 avrsim_libusb0 >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
filters=("$@")

head -c 32768 /dev/urandom >"$work/32k.bin"
head -c 262144 /dev/urandom >"$work/256k.bin"
head -c 1024 /dev/urandom >"$work/1k.bin"
objcopy -I binary -O ihex "$work/32k.bin" "$work/32k.hex"

stat_of() { awk -v k="$1" '$1 == k { print $2 }' "$2"; }

wanted() {
    [ ${#filters[@]} -eq 0 ] && return 0
    local word
    for word in "${filters[@]}"; do
        [[ "$1" == *"$word"* ]] && return 0
    done
    return 1
}

repeat=${BENCH_REPEAT:-1}

# Runs a command on a fresh target made by `avrsim new <target> <settings...>`, BENCH_REPEAT
# times; leaves "wall user sys" of the fastest run in $work/time and its stand-in statistics
# in <stats>. Usage: timed <target> <stats> "<settings>" NAME=value... command...
timed() {
    local target=$1 stats=$2 settings=$3 TIMEFORMAT='%3R %3U %3S' best='' i
    shift 3
    for ((i = 0; i < repeat; i++)); do
        # shellcheck disable=SC2086
        "$bin/avrsim" new "$target" $settings >/dev/null
        rm -f "$stats"
        { time env "$@" >"$work/out" 2>&1; } 2>"$work/time.run" || {
            echo "failed: $*" >&2
            cat "$work/out" >&2
            exit 1
        }
        local wall
        read -r wall _ <"$work/time.run"
        if [ -z "$best" ] || awk -v a="$wall" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best=$wall
            cp "$work/time.run" "$work/time"
            cp "$stats" "$work/stats.best"
        fi
    done
    cp "$work/stats.best" "$stats"
}

printf '| run | time s | bound s | ratio | bound with fixed waits s | ratio | round trips or port accesses per bit | host CPU s (%% of run) | in the stand-in s |\n'
printf '|---|---|---|---|---|---|---|---|---|\n'

row() { # label wall bound fixed per_bit cpu sim_cpu
    awk -v l="$1" -v w="$2" -v b="$3" -v f="$4" -v p="$5" -v c="$6" -v s="$7" 'BEGIN {
        printf "| %s | %.2f | %.2f | %.3f | %.2f | %.3f | %s | %.2f (%.1f %%) | %s |\n",
            l, w, b, w / b, f, w / f, p, c, 100 * c / w, s == "" ? "-" : sprintf("%.2f", s) }'
}

# FTDI run: label chip ftdi-type sck-hz round-trip-us pages page-busy-ms page-catalogue-ms
#           erases eeprom-bytes eeprom-busy-ms eeprom-catalogue-ms quarnel-arguments...
# A run with -wp takes the SCK clocks and round trips of the run before it (the same run
# without -wp) for its bounds. A label that names libftdi runs quarnel through the libftdi
# stand-in, any other through the D2XX one.
ftdi_run() {
    local label=$1 chip=$2 type=$3 sck=$4 rtt=$5 pages=$6 page_busy=$7 page_cat=$8 erases=$9
    local ee_bytes=${10} ee_busy=${11} ee_cat=${12}
    shift 12
    wanted "$label" || return 0
    local target=$work/target.txt stats=$work/usb.txt polled=0
    [[ " $* " == *" -wp "* ]] && polled=1
    local library=(FTD2XX_LIBRARY="$bin/libavrsim_ftd2xx.so")
    [[ "$label" == *libftdi* ]] && library=(LD_LIBRARY_PATH="$bin" QUARNEL_FTDI=libftdi)
    timed "$target" "$stats" "$chip clock=16MHz ftdi=$type" "${library[@]}" \
        AVRSIM_TARGET="$target" AVRSIM_FTDI_TIMING=real AVRSIM_FTDI_STATS="$stats" \
        "$bin/quarnel" "+$chip" "-a$type" "$@"
    read -r wall user sys <"$work/time"
    local clocks reads sim_us
    clocks=$(stat_of sck_clocks "$stats")
    reads=$(stat_of usb_reads "$stats")
    sim_us=$(stat_of stand_in_cpu_us "$stats")
    if [ "$polled" = 0 ]; then
        design_clocks=$clocks design_reads=$reads
    fi
    local entries=$((1 + erases))
    awk -v label="$label" -v wall="$wall" -v cpu="$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')" \
        -v clocks="$design_clocks" -v reads="$design_reads" -v sck="$sck" -v rtt="$rtt" \
        -v pages="$pages" -v pb="$page_busy" -v pc="$page_cat" -v erases="$erases" \
        -v eb="$ee_bytes" -v ebusy="$ee_busy" -v ecat="$ee_cat" -v entries="$entries" \
        -v polled="$polled" -v sim="$sim_us" 'BEGIN {
        move = clocks / sck + reads * rtt / 1e6
        busy = (pages * pb + eb * ebusy + erases * 9) / 1000
        bound = move + busy + entries * 0.020
        timed_waits = polled ? pages * pb + eb * ebusy : pages * pc + eb * ecat
        fixed = move + (timed_waits + erases * (20 + 2) + entries * 100 + 40) / 1000
        printf "%s\t%s\t%.4f\t%.4f\t%.2e\t%s\t%s\n", label, wall, bound, fixed,
            reads / clocks, cpu, sim == "" ? "" : sim / 1e6 }' >"$work/row"
    IFS=$'\t' read -r l w b f p c s <"$work/row"
    row "$l" "$w" "$b" "$f" "$p" "$c" "$s"
}

# Parallel-port run: label program target-settings waits-datasheet-ms waits-fixed-ms command...
lpt_run() {
    local label=$1 program=$2 settings=$3 waits_ds=$4 waits_fixed=$5
    shift 5
    wanted "$label" || return 0
    local target=$work/target.txt stats=$work/port.txt
    timed "$target" "$stats" "$settings port_cycle_us=1 stats=$stats" DLPORTIO_LIBRARY="$bin/libavrsim_dlportio.so" \
        AVRSIM_TARGET="$target" "$program" "$@"
    read -r wall user sys <"$work/time"
    local writes reads instructions
    writes=$(stat_of port_writes "$stats")
    reads=$(stat_of port_reads "$stats")
    instructions=$(stat_of instructions "$stats")
    awk -v label="$label" -v wall="$wall" -v cpu="$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')" \
        -v w="$writes" -v r="$reads" -v n="$instructions" -v wd="$waits_ds" -v wf="$waits_fixed" 'BEGIN {
        port = (w + r) * 1e-6
        printf "%s\t%s\t%.4f\t%.4f\t%.2f writes + %.2f reads\t%s\n", label, wall,
            port + wd / 1000, port + wf / 1000, w / (32 * n), r / (32 * n), cpu }' >"$work/row"
    IFS=$'\t' read -r l w b f p c <"$work/row"
    row "$l" "$w" "$b" "$f" "$p" "$c" ""
}

flash32=(-o16MHz -e -w -v ":bin:$work/32k.bin")
flash32p=(-o16MHz -e -wp -v ":bin:$work/32k.bin")
ftdi_run "mega328P 32 KB, FT2232H -o16MHz" mega328P ft2232h 2500000 125 256 4.5 6 1 0 0 0 "${flash32[@]}"
ftdi_run "mega328P 32 KB, FT2232H -o16MHz -wp" mega328P ft2232h 2500000 125 256 4.5 6 1 0 0 0 "${flash32p[@]}"
ftdi_run "mega328P 32 KB, FT2232H -o16MHz, libftdi" mega328P ft2232h 2500000 125 256 4.5 6 1 0 0 0 "${flash32[@]}"
ftdi_run "mega328P 32 KB, FT2232H -o16MHz -wp, libftdi" mega328P ft2232h 2500000 125 256 4.5 6 1 0 0 0 "${flash32p[@]}"
ftdi_run "mega328P 32 KB, FT2232D -o16MHz" mega328P ft2232 2000000 1000 256 4.5 6 1 0 0 0 "${flash32[@]}"
ftdi_run "mega328P 32 KB, FT2232D -o16MHz -wp" mega328P ft2232 2000000 1000 256 4.5 6 1 0 0 0 "${flash32p[@]}"
ftdi_run "mega328P 32 KB, FT2232D -o16MHz, libftdi" mega328P ft2232 2000000 1000 256 4.5 6 1 0 0 0 "${flash32[@]}"
ftdi_run "mega328P 32 KB, FT2232D -o16MHz -wp, libftdi" mega328P ft2232 2000000 1000 256 4.5 6 1 0 0 0 "${flash32p[@]}"
ftdi_run "mega328P 32 KB, FT232H -o16MHz" mega328P ft232h 2500000 125 256 4.5 6 1 0 0 0 "${flash32[@]}"
ftdi_run "mega328P 32 KB, FT232H -o16MHz -wp" mega328P ft232h 2500000 125 256 4.5 6 1 0 0 0 "${flash32p[@]}"
ftdi_run "mega328P 32 KB, FT2232H default clock" mega328P ft2232h 187500 125 256 4.5 6 1 0 0 0 -e -w -v ":bin:$work/32k.bin"
ftdi_run "mega328P 32 KB, FT2232H default clock -wp" mega328P ft2232h 187500 125 256 4.5 6 1 0 0 0 -e -wp -v ":bin:$work/32k.bin"
ftdi_run "mega2560 256 KB, FT2232H -o16MHz" mega2560 ft2232h 2500000 125 1024 4.5 6 1 0 0 0 -o16MHz -e -w -v ":bin:$work/256k.bin"
ftdi_run "mega2560 256 KB, FT2232H -o16MHz -wp" mega2560 ft2232h 2500000 125 1024 4.5 6 1 0 0 0 -o16MHz -e -wp -v ":bin:$work/256k.bin"
# FT232R in synchronous bit-bang: the bytes of line levels clocked, at most 19 packets of 64
# bytes a millisecond (the chip's own clock at -o16MHz is faster), and a 1 ms round trip.
ftdi_run "mega328P 32 KB, FT232R -o16MHz" mega328P ft232r 1216000 1000 256 4.5 6 1 0 0 0 "${flash32[@]}"
ftdi_run "mega328P 32 KB, FT232R -o16MHz, libftdi" mega328P ft232r 1216000 1000 256 4.5 6 1 0 0 0 "${flash32[@]}"
eeprom=(-o16MHz -w -v -d ":bin:$work/1k.bin")
eepromp=(-o16MHz -wp -v -d ":bin:$work/1k.bin")
ftdi_run "mega328P EEPROM 1 KB, FT2232H -o16MHz" mega328P ft2232h 2500000 125 0 0 0 0 1024 3.6 5 "${eeprom[@]}"
ftdi_run "mega328P EEPROM 1 KB, FT2232H -o16MHz -wp" mega328P ft2232h 2500000 125 0 0 0 0 1024 3.6 5 "${eepromp[@]}"
ftdi_run "mega328P EEPROM 1 KB, FT2232H -o16MHz -wp, libftdi" mega328P ft2232h 2500000 125 0 0 0 0 1024 3.6 5 "${eepromp[@]}"
# ArduinoISP run: label baud pages loaded-bytes sketch-sck-hz board-options... --
# quarnel-arguments... The board of `avrsim arduinoisp` paces its UART at the baud rate; its
# stats give the bytes each way. The first bound is their line time (ten bits a byte), the
# sketch's own wait after each page write (30 ms, while its LED flickers) and its SPI time for
# the page loads (32 SCK clocks a byte, the line idle meanwhile); the second adds the board's
# boot after the port opens (1 s) and quarnel's DTR pulse (300 ms).
arduinoisp_run() {
    local label=$1 baud=$2 pages=$3 loaded=$4 sketch_sck=$5 board_options=() quarnel_args=()
    shift 5
    while [ "$1" != "--" ]; do board_options+=("$1"); shift; done
    shift
    quarnel_args=("$@")
    wanted "$label" || return 0
    local target=$work/board.txt stats=$work/board.stats TIMEFORMAT='%3R %3U %3S'
    "$bin/avrsim" new "$target" mega328P clock=16MHz "stats=$stats" >/dev/null
    board_options+=("sck_hz=$sketch_sck")
    rm -f "$stats"
    exec {board_out}< <(exec "$bin/avrsim" arduinoisp "$target" "baud=$baud" "${board_options[@]}")
    local board=$! port
    read -r port <&"$board_out"
    { time "$bin/quarnel" +mega328P -aarduinoisp "-p$port,b=$baud" "${quarnel_args[@]}" \
        >"$work/out" 2>&1; } 2>"$work/time" || { cat "$work/out" >&2; kill "$board"; exit 1; }
    kill "$board"
    while kill -0 "$board" 2>/dev/null || [ ! -s "$stats" ]; do sleep 0.1; done
    exec {board_out}<&-
    read -r wall user sys <"$work/time"
    local bytes
    bytes=$(($(stat_of serial_in "$stats") + $(stat_of serial_out "$stats")))
    local bound fixed
    bound=$(awk -v b="$bytes" -v r="$baud" -v p="$pages" -v l="$loaded" -v k="$sketch_sck" \
        'BEGIN { print b * 10 / r + p * 0.030 + l * 32 / k }')
    fixed=$(awk -v b="$bound" 'BEGIN { print b + 1.0 + 0.3 }')
    row "$label" "$wall" "$bound" "$fixed" "$bytes bytes" \
        "$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')" ""
}
arduinoisp_run "mega328P 32 KB, ArduinoISP 19200 baud" 19200 256 32768 1000000 -- \
    -e -w -v ":bin:$work/32k.bin"

# KELMA waits: 256 pages (4.5 ms busy, 6 ms catalogue), erase (9 / 20 ms + 2 ms pulse), two
# resets (20 / 100 ms each).
lpt_run "mega328P 32 KB, KELMA port, -o16MHz" "$bin/quarnel" "mega328P clock=16MHz" 1201 1858 \
    +mega328P -p378 "${flash32[@]}"
lpt_run "mega328P 32 KB, KELMA port, default clock" "$bin/quarnel" "mega328P clock=16MHz" 1201 1858 \
    +mega328P -p378 -e -w -v ":bin:$work/32k.bin"
# dorvik -wf: probe 2 x 25 ms, programming mode 3 x 25 ms, erase 30 ms, then programming mode
# again; page writes are polled through the port.
cp "$bin/dorvik" "$work/dorvik"
echo 378 >"$work/dorvik.ini"
lpt_run "mega32 32 KB, dorvik -wf" "$work/dorvik" "mega32 clock=16MHz adapter=dorvik" 230 230 \
    atmega32 "-wf=$work/32k.hex"

# USBasp run: label libusb-version program arguments... The bound is the bus time of the USB
# requests the run made, as the stand-in counts it: every packet a 1 ms low-speed frame, or as
# many as the firmware's ISP work at the run's SCK and its own waits take. The same run of
# avrdude's usbasp programmer (through the libusb-0.1 stand-in) follows it.
usbasp_run() {
    local label=$1 version=$2
    shift 2
    wanted "$label" || return 0
    local target=$work/target.txt stats=$work/usbasp.txt
    timed "$target" "$stats" "mega328P clock=16MHz" LD_LIBRARY_PATH="$bin/../usbasp/libusb-$version" \
        AVRSIM_TARGET="$target" AVRSIM_USBASP_TIMING=real AVRSIM_USBASP_STATS="$stats" "$@"
    read -r wall user sys <"$work/time"
    local bus requests transmits
    bus=$(awk '$1 == "bus_time_us" { print $2 / 1e6 }' "$stats")
    requests=$(stat_of usb_requests "$stats")
    transmits=$(stat_of usb_transmits "$stats")
    row "$label" "$wall" "$bus" "$bus" "$requests requests, $transmits TRANSMIT" \
        "$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')" ""
}
usbasp_run "mega328P 32 KB, USBasp -o16MHz" 1.0 "$bin/quarnel" +mega328P -ausbasp "${flash32[@]}"
if command -v avrdude >/dev/null; then
    usbasp_run "mega328P 32 KB, USBasp, avrdude -c usbasp" 0.1 avrdude -c usbasp -p m328p \
        -U "flash:w:$work/32k.bin:r"
fi
