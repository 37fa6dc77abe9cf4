// The parser of the -f list: fuse and fuse byte assignments into the fuse request.
#include "quarnel/devices/fuse_request.h"
#include "quarnel/devices/device_info.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/devices/device_lookup.h"

#include <cctype>
#include <string_view>

namespace quarnel {

namespace {

constexpr std::size_t item_max = 64;

// Anything above a byte; longer numbers saturate here instead of wrapping.
constexpr unsigned long value_limit = 0xFFFFFFFFul;

struct FuseValue {
    bool present = false;
    bool mnemonic = false; // given as ON or OFF
    unsigned long number = 0;
};

[[noreturn]] void fail() {
    throw app_error(EXIT_ENVIRONMENT);
}

int hex_digit(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (std::isdigit(u))
        return c - '0';
    if (std::isxdigit(u))
        return std::tolower(u) - 'a' + 10;
    return -1;
}

// Reads the text after "=": ON, OFF or a hexadecimal number with an optional
// 0x. The whole text must be the number: a fuse value with a typing error in
// it is refused rather than written in part.
FuseValue parse_value(const std::string& text, const std::string& name) {
    FuseValue value;
    if (text.empty())
        return value;
    value.present = true;
    if (equals_ignoring_case(text, "ON") || equals_ignoring_case(text, "OFF")) {
        value.mnemonic = true;
        value.number = equals_ignoring_case(text, "OFF") ? 1 : 0;
        return value;
    }
    std::size_t pos = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
        hex_digit(text[2]) >= 0)
        pos = 2;
    const std::size_t first_digit = pos;
    for (; pos < text.size() && hex_digit(text[pos]) >= 0; ++pos) {
        const unsigned long digit = unsigned(hex_digit(text[pos]));
        value.number =
            value.number > (value_limit - digit) / 16 ? value_limit : value.number * 16 + digit;
    }
    if (pos == first_digit || pos != text.size()) {
        console_log(0, "Invalid value '%s' for fuse '%s'\n", text.c_str(), name.c_str());
        fail();
    }
    return value;
}

int find_byte_name(const std::string& name) {
    for (int byte = 0; byte < fuse_byte_count; ++byte)
        if (equals_ignoring_case(name, byte_name(byte)))
            return byte;
    return -1;
}

void add_fuse_byte(FuseRequest& fuse_request, int byte, const std::string& name,
                   const FuseValue& value, const DeviceInfo& device) {
    FuseByteRequest& request = fuse_request.bytes[byte];
    if (!device.fuse_layout->bytes[byte]) {
        console_log(0, "Fuse byte '%s' not exist in %s\n", name.c_str(), device.names);
        fail();
    }
    if (value.mnemonic) {
        console_log(0, "ON/OFF mnemonics can't be used for fuse byte name '%s'\n", name.c_str());
        fail();
    }
    if (request.request_mask != 0) {
        console_log(0, "Duplicate fuse %s in command line\n", name.c_str());
        fail();
    }
    if (!value.present) {
        console_log(0, "Value required for fuse %s\n", name.c_str());
        fail();
    }
    if (value.number > 0xFF) {
        console_log(0, "Value %lX too large for fuse byte %s\n", value.number, name.c_str());
        fail();
    }
    console_log(4, "\t%% Fuse byte added: %s=%lX\n", name.c_str(), value.number);
    request.wanted = std::uint8_t(value.number);
    // The lock bits 1..0 are set with -l, never through the fuse request.
    request.request_mask = byte == FUSE_LOCK ? 0xFC : 0xFF;
}

void add_fuse_field(FuseRequest& fuse_request, const std::string& name, const FuseValue& value,
                    const DeviceInfo& device) {
    for (int byte = 0; byte < fuse_byte_count; ++byte) {
        const FuseField* fields = device.fuse_layout->bytes[byte];
        for (const FuseField* field = fields; field && field->fuse; ++field) {
            const FuseInfo& fuse = *field->fuse;
            if (!equals_ignoring_case(name, fuse.name) &&
                !(fuse.alias && equals_ignoring_case(name, fuse.alias)))
                continue;
            if (!value.present) {
                console_log(0, "Value required for fuse %s\n", name.c_str());
                fail();
            }
            if (value.number > field->max_value()) {
                console_log(0, "Value %lX too large for fuse %s\n", value.number, name.c_str());
                fail();
            }
            if (value.mnemonic && field->width > 1) {
                console_log(0, "ON/OFF mnemonics can't be used with %d-bit fuse '%s'\n",
                            int(field->width), name.c_str());
                fail();
            }
            FuseByteRequest& request = fuse_request.bytes[byte];
            if (request.request_mask & field->mask()) {
                console_log(0, "Duplicate fuse %s in command line\n", name.c_str());
                fail();
            }
            console_log(4, "\t%% Fuse added: %s=%lX\n", name.c_str(), value.number);
            request.request_mask |= field->mask();
            request.wanted |= std::uint8_t(value.number << field->shift);
            return;
        }
    }
    console_log(0, "Invalid fuse name %s\n", name.c_str());
    fail();
}

void add_item(FuseRequest& fuse_request, const std::string& item, const DeviceInfo& device) {
    if (item.size() > item_max) {
        console_log(0, "Fuse command too long\n");
        fail();
    }
    const std::size_t equals = item.find('=');
    const std::string name = item.substr(0, equals);
    const std::string value_text = equals == std::string::npos ? "" : item.substr(equals + 1);
    const FuseValue value = parse_value(value_text, name);
    const int byte = find_byte_name(name);
    if (byte >= 0)
        add_fuse_byte(fuse_request, byte, name, value, device);
    else
        add_fuse_field(fuse_request, name, value, device);
}

} // namespace

void start_fuse_request(const FuseLayout& layout, FuseRequest& fuse_request) {
    for (int byte = 0; byte < fuse_byte_count; ++byte)
        fuse_request.bytes[byte] = {0, 0, defined_mask(layout.bytes[byte]), 0};
}

void parse_fuse_list(const std::optional<std::string>& list, const DeviceInfo& device,
                     FuseRequest& fuse_request) {
    if (!list)
        return;
    if (!device.fuse_layout) {
        console_log(0, "%s has no ISP-writable fuses\n", device.names);
        fail();
    }
    start_fuse_request(*device.fuse_layout, fuse_request);

    std::string_view rest = *list;
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        const std::string item(rest.substr(0, comma));
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        if (!item.empty())
            add_item(fuse_request, item, device);
    }
}

} // namespace quarnel
