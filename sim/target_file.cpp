// Reading and writing target files; a file is replaced only by a complete new one.
#include "sim/target_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "quarnel/devices/device_info.h"
#include "sim/text_values.h"
#include "sim/whole_file.h"

namespace avrsim {

namespace {

constexpr std::size_t bytes_per_line = 16;

std::string hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

std::string faults_text(const ChipSettings& s) {
    std::string text;
    auto add = [&text](const std::string& item) { text += (text.empty() ? "" : ",") + item; };
    if (s.absent) {
        add("absent");
    }
    if (s.slip_bits) {
        add("slip=" + std::to_string(s.slip_bits));
    }
    if (s.lose_step_after) {
        add("lose_step=" + std::to_string(s.lose_step_after));
    }
    if (s.writes_never_finish) {
        add("never_finish");
    }
    if (s.ignore_fuse_writes) {
        add("ignore_fuse_writes");
    }
    if (s.signal_after_writes) {
        const char* names[] = {"INT", "TERM", "KILL"};
        add("signal=" + std::to_string(s.signal_after_writes) + ":" + names[int(s.signal)]);
    }
    return text.empty() ? "none" : text;
}

const char* memory_name(chip_part part) {
    return part == chip_part::flash ? "flash" : "eeprom";
}

// Addresses have 6 hex digits in flash lines and 4 in EEPROM lines.
int address_digits(chip_part part) {
    return part == chip_part::flash ? 6 : 4;
}

bool erased(const std::vector<std::uint8_t>& bytes, std::size_t start, std::size_t end) {
    return std::all_of(bytes.begin() + std::ptrdiff_t(start), bytes.begin() + std::ptrdiff_t(end),
                       [](std::uint8_t byte) { return byte == 0xFF; });
}

// "flash ADDR = HH HH ..." lines from line `first` to before line `end`; erased ones only when
// every line is asked for.
void append_memory_lines(std::string& out, chip_part part, const std::vector<std::uint8_t>& bytes,
                         std::size_t first, std::size_t end, bool every_line) {
    for (std::size_t line = first; line < end; ++line) {
        const std::size_t start = line * bytes_per_line;
        const std::size_t stop = std::min(bytes.size(), start + bytes_per_line);
        if (!every_line && erased(bytes, start, stop)) {
            continue;
        }
        out += memory_name(part);
        out += ' ' + hex(unsigned(start), address_digits(part)) + " =";
        for (std::size_t i = start; i < stop; ++i) {
            out += ' ' + hex(bytes[i], 2);
        }
        out += '\n';
    }
}

std::size_t line_count(const std::vector<std::uint8_t>& bytes) {
    return (bytes.size() + bytes_per_line - 1) / bytes_per_line;
}

// The whole text; with `layout`, every memory line is written and `layout` learns where the
// changing parts stand.
std::string text_of(const Target& target, TargetLayout* layout) {
    const DeviceInfo& info = target.chip.info();
    std::string out = "# avrsim target file: a virtual AVR chip, its adapter and its memories\n";
    out += "chip = " + std::string(info.names) + '\n';
    out += "adapter = " + target.adapter + '\n';
    out += "clock = " +
           (target.settings.clock == clock_source::xtal_pin ? "xtal"
                                                            : number(target.settings.clock_hz)) +
           '\n';
    out += "busy_scale = " + number(target.settings.busy_scale) + '\n';
    out += "port_cycle_us = " + number(target.port_cycle_us) + '\n';
    out += "port_direction = " + std::string(target.direction_reads_back ? "yes" : "no") + '\n';
    out += "faults = " + faults_text(target.settings) + '\n';
    if (!target.stats_path.empty()) {
        out += "stats = " + target.stats_path + '\n';
    }
    if (!target.socket_dir.empty()) {
        out += "socket = " + target.socket_dir + '\n';
        out += "socket_idle_ms = " + number(target.socket_idle_ms) + '\n';
    }
    const char* fuse_keys[4] = {"lock = ", "fuse_low = ", "fuse_high = ", "fuse_ext = "};
    for (int index = 0; index < 4; ++index) {
        out += fuse_keys[index];
        if (layout != nullptr) {
            layout->fuse_at[index] = out.size();
        }
        out += hex(target.chip.fuses[index], 2) + '\n';
    }
    if (info.osccal_count > 0) {
        out += "calibration =";
        for (int i = 0; i < info.osccal_count; ++i) {
            out += ' ' + hex(target.chip.calibration[i], 2);
        }
        out += '\n';
    }
    for (const auto& [key, value] : target.extra) {
        out += key;
        out += " = ";
        out += value;
        out += '\n';
    }
    const bool every_line = layout != nullptr;
    if (every_line) {
        layout->flash_at = out.size();
    }
    append_memory_lines(out, chip_part::flash, target.chip.flash, 0, line_count(target.chip.flash),
                        every_line);
    if (every_line) {
        layout->eeprom_at = out.size();
    }
    append_memory_lines(out, chip_part::eeprom, target.chip.eeprom, 0,
                        line_count(target.chip.eeprom), every_line);
    return out;
}

// "flash ADDR = HH HH ..." or "eeprom ADDR = ...".
bool memory_line(Target& target, const std::string& key, const std::string& value) {
    const std::vector<std::string> words = split_words(key);
    if (words.size() != 2 || (words[0] != "flash" && words[0] != "eeprom")) {
        return false;
    }
    std::vector<std::uint8_t>& memory =
        words[0] == "flash" ? target.chip.flash : target.chip.eeprom;
    const std::uint32_t address = parse_hex_number(words[1]);
    const std::vector<std::string> bytes = split_words(value);
    if (bytes.empty()) {
        throw target_error(words[0] + " line at " + words[1] + " holds no bytes");
    }
    if (address >= memory.size() || bytes.size() > memory.size() - address) {
        throw target_error(words[0] + " data at " + words[1] + " lies outside the memory");
    }
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        // Saved bytes always have two digits; one digit is what is left of a cut-off file.
        if (bytes[i].size() != 2) {
            throw target_error("'" + bytes[i] + "' is not a two-digit hex byte");
        }
        memory[address + i] = parse_hex_byte(bytes[i]);
    }
    return true;
}

// A target file is text: control characters other than tabs mean a damaged or foreign file.
bool is_text(const std::string& line) {
    for (const char c : line) {
        const unsigned char u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t' && c != '\r') || u == 0x7F) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string target_text(const Target& target) {
    return text_of(target, nullptr);
}

std::string full_target_text(const Target& target, TargetLayout& layout) {
    return text_of(target, &layout);
}

TargetLayout::Lines TargetLayout::lines_of(const Target& target, chip_part part, std::size_t start,
                                           std::size_t count) const {
    const std::vector<std::uint8_t>& bytes =
        part == chip_part::flash ? target.chip.flash : target.chip.eeprom;
    const std::size_t first = start / bytes_per_line;
    const std::size_t end =
        std::min(line_count(bytes), (start + count + bytes_per_line - 1) / bytes_per_line);
    Lines lines;
    // Every line but a memory's last has the same length.
    const std::size_t line_length = std::strlen(memory_name(part)) + 1 +
                                    std::size_t(address_digits(part)) + 2 + 3 * bytes_per_line + 1;
    lines.at = (part == chip_part::flash ? flash_at : eeprom_at) + first * line_length;
    append_memory_lines(lines.text, part, bytes, first, end, true);
    return lines;
}

Target load_target(const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        throw target_error("can't open target file '" + path + "'");
    }
    Target target;
    bool have_chip = false;
    std::string line;
    int line_number = 0;
    while (std::getline(in, line)) {
        ++line_number;
        if (!is_text(line)) {
            throw target_error(path + ":" + std::to_string(line_number) +
                               ": binary data where text was expected");
        }
        const std::string text = trim_blanks(line.substr(0, line.find('#')));
        if (text.empty()) {
            continue;
        }
        try {
            const auto equals = text.find('=');
            if (equals == std::string::npos) {
                throw target_error("expected key = value");
            }
            const std::string key = trim_blanks(text.substr(0, equals));
            const std::string value = trim_blanks(text.substr(equals + 1));
            if (!have_chip) {
                if (key != "chip") {
                    throw target_error("the first setting must be chip");
                }
                // The stored name may hold aliases separated by '|'; the first one names the row.
                target = new_target(value.substr(0, value.find('|')));
                have_chip = true;
            } else if (!memory_line(target, key, value)) {
                apply_setting(target, key, value);
            }
        } catch (const target_error& error) {
            throw target_error(path + ":" + std::to_string(line_number) + ": " + error.what());
        }
    }
    if (!have_chip) {
        throw target_error(path + ": no chip named");
    }
    return target;
}

void save_target(const Target& target, const std::string& path) {
    write_whole_file(path, target_text(target));
}

} // namespace avrsim
