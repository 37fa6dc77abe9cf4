# What the serial-number benches share: their virtual chips and a chip's number read back.
# Sourced by serial-bench.sh, serial-db-bench.sh, serial-kill.sh and eeprom-kill.sh; needs $bin.

# Chip file $1: a mega8 at 8 MHz on a 0.4 us port, more target keys after. A port access lasts
# longer than quarnel's SCK phase at that clock, so every phase is one access, whatever the host
# did while quarnel measured the port.
new_chip() { "$bin/avrsim" new "$1" mega8 clock=8MHz port_cycle_us=0.4 "${@:2}" >/dev/null; }

# The 32-bit number (low byte first) at flash address 0 of chip file $1, or "blank".
chip_number() {
  "$bin/avrsim" read "$1" flash "$1.hex" >/dev/null
  local h
  h=$(awk '/^:10000000/ { print substr($0, 10, 8) }' "$1.hex")
  if [ -z "$h" ] || [ "$h" = FFFFFFFF ]; then echo blank; else
    echo $((16#${h:6:2}${h:4:2}${h:2:2}${h:0:2}))
  fi
}
