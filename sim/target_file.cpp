// Reading and writing target files; a file is replaced only by a complete new one.
#include "sim/target_file.h"

#include <cstdio>
#include <fstream>
#include <sstream>

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
    return text.empty() ? "none" : text;
}

void memory_lines(std::ostringstream& out, const char* name, const std::vector<std::uint8_t>& bytes,
                  int digits) {
    for (std::size_t start = 0; start < bytes.size(); start += bytes_per_line) {
        const std::size_t end = std::min(bytes.size(), start + bytes_per_line);
        bool blank = true;
        for (std::size_t i = start; i < end; ++i) {
            blank = blank && bytes[i] == 0xFF;
        }
        if (blank) {
            continue;
        }
        out << name << ' ' << hex(unsigned(start), digits) << " =";
        for (std::size_t i = start; i < end; ++i) {
            out << ' ' << hex(bytes[i], 2);
        }
        out << '\n';
    }
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
    const DeviceInfo& info = target.chip.info();
    std::ostringstream out;
    out << "# avrsim target file: a virtual AVR chip, its adapter and its memories\n";
    out << "chip = " << info.names << '\n';
    out << "adapter = " << target.adapter << '\n';
    out << "clock = "
        << (target.settings.clock == clock_source::xtal_pin ? "xtal"
                                                            : number(target.settings.clock_hz))
        << '\n';
    out << "busy_scale = " << number(target.settings.busy_scale) << '\n';
    out << "port_cycle_us = " << number(target.port_cycle_us) << '\n';
    out << "port_direction = " << (target.direction_reads_back ? "yes" : "no") << '\n';
    out << "faults = " << faults_text(target.settings) << '\n';
    if (!target.stats_path.empty()) {
        out << "stats = " << target.stats_path << '\n';
    }
    out << "lock = " << hex(target.chip.fuses[0], 2) << '\n';
    out << "fuse_low = " << hex(target.chip.fuses[1], 2) << '\n';
    out << "fuse_high = " << hex(target.chip.fuses[2], 2) << '\n';
    out << "fuse_ext = " << hex(target.chip.fuses[3], 2) << '\n';
    if (info.osccal_count > 0) {
        out << "calibration =";
        for (int i = 0; i < info.osccal_count; ++i) {
            out << ' ' << hex(target.chip.calibration[i], 2);
        }
        out << '\n';
    }
    for (const auto& [key, value] : target.extra) {
        out << key << " = " << value << '\n';
    }
    memory_lines(out, "flash", target.chip.flash, 6);
    memory_lines(out, "eeprom", target.chip.eeprom, 4);
    return out.str();
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
