// Parsing of the FTDI bench keys and the default device lists.
#include "sim/ftd2xx/ftdi_bench_config.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <iterator>
#include <utility>

namespace avrsim {

namespace {

constexpr std::uint32_t type_2232c = 4, type_232r = 5, type_2232h = 6, type_4232h = 7,
                        type_232h = 8, type_x_series = 9;

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

std::optional<std::uint32_t> chip_type_named(std::string_view name) {
    const std::string n = lower(name);
    if (n == "ft2232c" || n == "ft2232d" || n == "ft2232" || n == "2232c") {
        return type_2232c;
    }
    if (n == "ft2232h" || n == "2232h") {
        return type_2232h;
    }
    if (n == "ft4232h" || n == "4232h") {
        return type_4232h;
    }
    if (n == "ft232h" || n == "232h") {
        return type_232h;
    }
    if (n == "ft232r" || n == "232r") {
        return type_232r;
    }
    if (n == "ft230x" || n == "ft231x") {
        return type_x_series;
    }
    // Any other D2XX type code, as a number.
    std::uint32_t code = 0;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), code);
    if (ec == std::errc() && end == name.data() + name.size()) {
        return code;
    }
    return std::nullopt;
}

bool parse_number(std::string_view text, long& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) {
            return parts;
        }
        text.remove_prefix(at + 1);
    }
}

// "TYPE|SERIAL|DESCRIPTION[|opened]"
// "VVVV:PPPP", hexadecimal, neither 0.
bool parse_usb_id(std::string_view text, std::uint32_t& usb_id) {
    const std::vector<std::string_view> ids = split(text, ':');
    unsigned vendor = 0;
    unsigned product = 0;
    const auto hex16 = [](std::string_view digits, unsigned& id) {
        const char* end = digits.data() + digits.size();
        const auto [stop, status] = std::from_chars(digits.data(), end, id, 16);
        return status == std::errc{} && stop == end && digits.size() <= 4 && id != 0;
    };
    if (ids.size() != 2 || !hex16(ids[0], vendor) || !hex16(ids[1], product)) {
        return false;
    }
    usb_id = vendor << 16 | product;
    return true;
}

// "type|serial|description", then "opened" and USB IDs "VVVV:PPPP", each optional.
bool parse_device(std::string_view text, ftdi_device_entry& device) {
    const std::vector<std::string_view> fields = split(text, '|');
    if (fields.size() < 3 || fields.size() > 5) {
        return false;
    }
    const std::optional<std::uint32_t> type = chip_type_named(fields[0]);
    if (!type || fields[1].size() > 16 || fields[2].size() > 64) {
        return false;
    }
    device.type = *type;
    device.serial_number = fields[1];
    device.description = fields[2];
    for (std::size_t i = 3; i < fields.size(); ++i) {
        if (lower(fields[i]) == "opened" && !device.opened_elsewhere) {
            device.opened_elsewhere = true;
        } else if (device.usb_id != 0 || !parse_usb_id(fields[i], device.usb_id)) {
            return false;
        }
    }
    return true;
}

// "adbus3", "dbus3", "d3" -> 3; "acbus1", "cbus1" -> 9; the serial lines of the bit-bang
// chips by name ("txd" 0 ... "ri" 7); optional leading '~'.
bool parse_line(std::string_view text, target_lines::line& line) {
    line.inverted = !text.empty() && text.front() == '~';
    if (line.inverted) {
        text.remove_prefix(1);
    }
    const std::string name = lower(text);
    static constexpr const char* serial_lines[] = {"txd", "rxd", "rts", "cts",
                                                   "dtr", "dsr", "dcd", "ri"};
    for (int bit = 0; bit < 8; ++bit) {
        if (name == serial_lines[bit] || name == std::string("d") + char('0' + bit)) {
            line.bit = bit;
            return true;
        }
    }
    int offset = 0;
    std::string_view digits;
    for (const auto& [prefix, base] : {std::pair{"adbus", 0}, std::pair{"dbus", 0},
                                       std::pair{"acbus", 8}, std::pair{"cbus", 8}}) {
        const std::string_view p(prefix);
        if (name.size() == p.size() + 1 && name.compare(0, p.size(), p) == 0) {
            offset = base;
            digits = std::string_view(name).substr(p.size());
            break;
        }
    }
    if (digits.empty() || digits[0] < '0' || digits[0] > '7') {
        return false;
    }
    line.bit = offset + (digits[0] - '0');
    return true;
}

// "reset=adbus4:miso=~adbus2"
bool parse_wiring(std::string_view text, target_lines& wiring) {
    for (std::string_view entry : split(text, ':')) {
        if (entry.empty()) {
            continue;
        }
        const std::size_t equal = entry.find('=');
        if (equal == std::string_view::npos) {
            return false;
        }
        const std::string signal = lower(entry.substr(0, equal));
        target_lines::line* line = signal == "sck"     ? &wiring.sck
                                   : signal == "mosi"  ? &wiring.mosi
                                   : signal == "miso"  ? &wiring.miso
                                   : signal == "reset" ? &wiring.reset
                                                       : nullptr;
        const std::string_view value = entry.substr(equal + 1);
        if (line == nullptr) {
            return false;
        }
        if (lower(value) == "none") {
            *line = {};
        } else if (!parse_line(value, *line)) {
            return false;
        }
    }
    return true;
}

std::vector<ftdi_device_entry> chip_channels(std::uint32_t type) {
    struct family {
        std::uint32_t type;
        const char* name;
        const char* channels;
    };
    static constexpr family families[] = {
        {type_232r, "FT232R USB UART", ""},    {type_x_series, "FT231X USB UART", ""},
        {type_2232c, "Dual RS232", "AB"},      {type_2232h, "Dual RS232-HS", "AB"},
        {type_4232h, "Quad RS232-HS", "ABCD"}, {type_232h, "Single RS232-HS", ""}};
    for (const family& f : families) {
        if (f.type != type) {
            continue;
        }
        std::vector<ftdi_device_entry> list;
        if (f.channels[0] == '\0') {
            list.push_back({type, "AVRSIM01", f.name, false});
        }
        for (const char* c = f.channels; *c != '\0'; ++c) {
            list.push_back(
                {type, std::string("AVRSIM01") + *c, std::string(f.name) + ' ' + *c, false});
        }
        return list;
    }
    return {{type, "AVRSIM01", "Virtual FTDI device", false}};
}

} // namespace

std::vector<ftdi_device_entry> ftdi_bench_config::device_list() const {
    if (fault == usb_fault::missing) {
        return {};
    }
    if (!devices.empty()) {
        return devices;
    }
    std::vector<ftdi_device_entry> list = chip_channels(chip_type);
    if (!chip_description.empty() && list.size() == 1) {
        list.front().description = chip_description;
    }
    return list;
}

target_lines ftdi_bench_config::wiring_of(std::uint32_t type) const {
    target_lines lines;
    if (type == type_232r || type == type_x_series) {
        lines.sck = {0, false};
        lines.miso = {1, false};
        lines.mosi = {2, false};
        lines.reset = {4, false};
    }
    parse_wiring(wiring_text, lines); // checked when the key was read
    return lines;
}

bool apply_ftdi_key(ftdi_bench_config& config, std::string_view key, std::string_view value,
                    std::string& error) {
    const auto bad = [&](const char* what) {
        error = std::string("bad ") + what + " '" + std::string(value) + "'";
        return true;
    };
    if (key == "ftdi") {
        const std::optional<std::uint32_t> type = chip_type_named(value);
        if (!type) {
            return bad("FTDI chip");
        }
        config.chip_type = *type;
        const std::string name = lower(value);
        config.chip_description = name == "ft230x"   ? "FT230X Basic UART"
                                  : name == "ft231x" ? "FT231X USB UART"
                                                     : "";
    } else if (key == "ftdi_devices") {
        config.devices.clear();
        for (std::string_view text : split(value, ';')) {
            ftdi_device_entry device;
            if (!parse_device(text, device)) {
                return bad("FTDI device");
            }
            config.devices.push_back(device);
        }
    } else if (key == "ftdi_target") {
        long index = 0;
        if (!parse_number(value, index) || index < 0 || index > 255) {
            return bad("FTDI target index");
        }
        config.target_device = static_cast<int>(index);
    } else if (key == "ftdi_wiring") {
        target_lines checked;
        if (!parse_wiring(value, checked)) {
            return bad("FTDI wiring");
        }
        config.wiring_text = value;
    } else if (key == "ftdi_fault") {
        static constexpr std::pair<const char*, usb_fault> faults[] = {
            {"none", usb_fault::none},
            {"missing", usb_fault::missing},
            {"short_read", usb_fault::short_read},
            {"io_error", usb_fault::io_error}};
        const std::string v = lower(value);
        const auto* found = std::find_if(std::begin(faults), std::end(faults),
                                         [&v](const auto& f) { return v == f.first; });
        if (found == std::end(faults)) {
            return bad("FTDI fault");
        }
        config.fault = found->second;
    } else if (key == "ftdi_fault_after") {
        long after = 0;
        if (!parse_number(value, after) || after < 1) {
            return bad("FTDI fault call number");
        }
        config.fault_after = after;
    } else if (key == "ftdi_usb_id") {
        if (!parse_usb_id(value, config.usb_id)) {
            return bad("FTDI USB ID");
        }
    } else if (key == "ftdi_stats") {
        config.stats_file = value;
    } else if (key == "ftdi_timing") {
        const std::string v = lower(value);
        if (v != "real" && v != "fast") {
            return bad("FTDI timing");
        }
        config.real_time = v == "real";
    } else {
        return false;
    }
    return true;
}

std::uint32_t ftdi_bench_config::usb_id_of(const ftdi_device_entry& device) const {
    if (device.usb_id != 0) {
        return device.usb_id;
    }
    if (usb_id != 0) {
        return usb_id;
    }
    switch (device.type) {
    case type_4232h:
        return 0x04036011;
    case type_232h:
        return 0x04036014;
    case type_232r:
        return 0x04036001;
    case type_x_series:
        return 0x04036015;
    default:
        return 0x04036010;
    }
}

bool is_ftdi_usb_id(std::uint32_t usb_id) {
    static constexpr std::uint32_t ftdi_ids[] = {0x04036001, 0x04036010, 0x04036011, 0x04036014,
                                                 0x04036015};
    return std::find(std::begin(ftdi_ids), std::end(ftdi_ids), usb_id) != std::end(ftdi_ids);
}

mpsse_chip mpsse_chip_of(std::uint32_t type) {
    switch (type) {
    case type_2232h:
        return mpsse_chip::ft2232h;
    case type_4232h:
        return mpsse_chip::ft4232h;
    case type_232h:
        return mpsse_chip::ft232h;
    default:
        return mpsse_chip::ft2232c;
    }
}

} // namespace avrsim
