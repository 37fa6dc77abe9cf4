// The key=value settings of a target file and of avrsim new/set.
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "quarnel/devices/device_info.h"
#include "quarnel/devices/device_lookup.h"
#include "sim/target_file.h"
#include "sim/text_values.h"
#include "sim/wiring.h"

namespace avrsim {

using quarnel::find_device;

namespace {

// The byte as the silicon holds it, bits outside the layout included.
void set_fuse(Target& target, int index, const std::string& value) {
    target.chip.fuses[index] = parse_hex_byte(value);
}

void set_calibration(Target& target, const std::string& value) {
    const std::vector<std::string> bytes = split_words(value);
    const int count = target.chip.info().osccal_count;
    if (static_cast<int>(bytes.size()) != count) {
        throw target_error("calibration needs " + std::to_string(count) + " byte(s) for this chip");
    }
    for (int index = 0; index < count; ++index) {
        target.chip.calibration[index] = parse_hex_byte(bytes[index]);
    }
}

// "N:INT", "N:TERM" or "N:KILL": the signal after N write instructions.
void set_signal(ChipSettings& settings, const std::string& value) {
    const auto colon = value.find(':');
    const std::string name = colon == std::string::npos ? "" : value.substr(colon + 1);
    if (name == "INT") {
        settings.signal = bench_signal::interrupt;
    } else if (name == "TERM") {
        settings.signal = bench_signal::terminate;
    } else if (name == "KILL") {
        settings.signal = bench_signal::kill;
    } else {
        throw target_error("signal=N:INT|TERM|KILL, not '" + value + "'");
    }
    settings.signal_after_writes = parse_count(value.substr(0, colon), 1, 1000000000);
}

void set_faults(ChipSettings& settings, const std::string& value) {
    ChipSettings cleared = settings;
    cleared.absent = cleared.writes_never_finish = cleared.ignore_fuse_writes = false;
    cleared.slip_bits = 0;
    cleared.lose_step_after = 0;
    cleared.signal_after_writes = 0;
    for (const std::string& item : split_list(value, ',')) {
        const auto equals = item.find('=');
        const std::string name = item.substr(0, equals);
        const std::string number = equals == std::string::npos ? "" : item.substr(equals + 1);
        if (name == "none") {
            continue;
        } else if (name == "absent") {
            cleared.absent = true;
        } else if (name == "never_finish") {
            cleared.writes_never_finish = true;
        } else if (name == "ignore_fuse_writes") {
            cleared.ignore_fuse_writes = true;
        } else if (name == "slip") {
            cleared.slip_bits = static_cast<int>(parse_count(number, 1, 31));
        } else if (name == "lose_step") {
            cleared.lose_step_after = parse_count(number, 1, 1000000000);
        } else if (name == "signal") {
            set_signal(cleared, number);
        } else {
            throw target_error("unknown fault '" + item + "'");
        }
    }
    settings = cleared;
}

} // namespace

Target new_target(const std::string& chip_name) {
    const int device = find_device(chip_name.c_str());
    if (device < 0) {
        throw target_error("unknown chip '" + chip_name + "'");
    }
    Target target;
    target.chip = factory_chip(device);
    return target;
}

void apply_setting(Target& target, const std::string& key, const std::string& value) {
    if (key == "adapter") {
        try {
            wiring_for(value);
        } catch (const std::runtime_error& error) {
            throw target_error(error.what());
        }
        target.adapter = value;
    } else if (key == "clock") {
        if (value == "xtal") {
            target.settings.clock = clock_source::xtal_pin;
        } else {
            target.settings.clock = clock_source::oscillator;
            target.settings.clock_hz = parse_frequency(value);
        }
    } else if (key == "busy_scale") {
        target.settings.busy_scale = parse_positive(value, 1000.0);
    } else if (key == "port_cycle_us") {
        target.port_cycle_us = parse_positive(value, 100000.0);
    } else if (key == "port_direction") {
        target.direction_reads_back = parse_yes_no(value);
    } else if (key == "faults") {
        set_faults(target.settings, value);
    } else if (key == "stats") {
        target.stats_path = value;
    } else if (key == "socket") {
        target.socket_dir = value;
    } else if (key == "socket_idle_ms") {
        target.socket_idle_ms = parse_positive(value, 3600000.0);
    } else if (key == "lock") {
        set_fuse(target, 0, value);
    } else if (key == "fuse_low") {
        set_fuse(target, 1, value);
    } else if (key == "fuse_high") {
        set_fuse(target, 2, value);
    } else if (key == "fuse_ext") {
        set_fuse(target, 3, value);
    } else if (key == "calibration") {
        set_calibration(target, value);
    } else if (key.rfind("ftdi", 0) == 0 || key.rfind("spidev", 0) == 0 ||
               key.rfind("gpio", 0) == 0 || key.rfind("usbasp", 0) == 0) {
        target.set_extra(key, value);
    } else {
        throw target_error("unknown key '" + key + "'");
    }
}

void apply_setting_text(Target& target, const std::string& text) {
    const auto equals = text.find('=');
    if (equals == std::string::npos) {
        throw target_error("'" + text + "' is not key=value");
    }
    apply_setting(target, trim_blanks(text.substr(0, equals)),
                  trim_blanks(text.substr(equals + 1)));
}

std::optional<std::string> Target::extra_value(const std::string& key) const {
    for (const auto& [name, value] : extra) {
        if (name == key) {
            return value;
        }
    }
    return std::nullopt;
}

void Target::set_extra(const std::string& key, const std::string& value) {
    for (auto& [name, old] : extra) {
        if (name == key) {
            old = value;
            return;
        }
    }
    extra.emplace_back(key, value);
}

const char* setting_help() {
    return "  adapter=NAME         wiring on the parallel port: kelma (default), stk200, stk300,\n"
           "                       byteblaster, byteblastermv, byteblaster2, xilinx, dorvik,\n"
           "                       none (nothing attached), or map:ENTRY[:ENTRY...] with pin-map\n"
           "                       entries such as map:mosi=D5:miso=~ACK:sck=D6:reset=D4\n"
           "  clock=FREQ|xtal      the chip's own oscillator (1MHz default; Hz, kHz or MHz), or\n"
           "                       xtal: clocked only by the adapter's XTAL line\n"
           "  busy_scale=X         multiplies write and erase times (e.g. 3 for a chip at low\n"
           "                       supply voltage); default 1\n"
           "  port_cycle_us=X      bus time of one port access in microseconds; default 1.25\n"
           "  port_direction=yes|no  whether the control register's direction bit reads back\n"
           "  faults=LIST          none, or a comma list of: absent (no chip), slip=K (out of\n"
           "                       step by K bits), lose_step=N (loses a bit after N\n"
           "                       instructions), never_finish (writes never end),\n"
           "                       ignore_fuse_writes, signal=N:INT|TERM|KILL (the program\n"
           "                       gets the signal once N writes are kept; the fault is then\n"
           "                       cleared in the file)\n"
           "  stats=FILE           the parallel-port stand-in writes its port access counts there\n"
           "  socket=DIR           a handler fills the socket with the chips of DIR/*.avr in name\n"
           "                       order, one at a time; a chip leaves (saved, moved to DIR/done)\n"
           "                       and the next enters each time the programmer leaves the lines\n"
           "                       idle, reset released, for socket_idle_ms\n"
           "  socket_idle_ms=X     the handler's wait in milliseconds; default 200\n"
           "  lock=HH  fuse_low=HH  fuse_high=HH  fuse_ext=HH   lock and fuse bytes (hex)\n"
           "  calibration=HH ...   the chip's oscillator calibration bytes (hex)\n"
           "  ftdi...=VALUE        settings of the FTDI stand-in, kept as written\n"
           "  spidev...=VALUE, gpio...=VALUE\n"
           "                       settings of the spidev and GPIO stand-in, kept as written\n"
           "  usbasp...=VALUE      settings of the libusb stand-in's USBasps, kept as written\n";
}

} // namespace avrsim
