// Parsing of the production-data switches into InsertSpec requests.
#include "quarnel/run/insert_switch.h"

#include "quarnel/common/command_errors.h"
#include "quarnel/devices/device_lookup.h"
#include "quarnel/run/number_text.h"
#include "quarnel/run/run_options.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quarnel {

namespace {

// Bounds that keep every number far inside its type; real values are small.
constexpr unsigned long count_limit = 65535;
constexpr unsigned long address_limit = 0xFFFFFFFF;
constexpr long correction_limit = 100000;

[[noreturn]] void invalid_extension(std::string_view text) {
    const std::string shown(text);
    command_error("Invalid HEX file switch extension '-%s'\n", shown.c_str());
}

insert_mode mode_of(std::string_view selector) {
    if (equals_ignoring_case(selector, "D*")) {
        return INSERT_DATA;
    }
    if (equals_ignoring_case(selector, "C*")) {
        return INSERT_CODE;
    }
    if (equals_ignoring_case(selector, "C?")) {
        return INSERT_LDI;
    }
    return INSERT_NONE;
}

// Exactly 2 * count hexadecimal digits, two per byte.
std::optional<std::vector<std::uint8_t>> read_bytes(std::string_view digits, unsigned count) {
    if (count == 0 || digits.size() != 2 * static_cast<std::size_t>(count)) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const auto byte = read_hex(digits.substr(i, 2), 0xFF);
        if (!byte) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(*byte));
    }
    return bytes;
}

} // namespace

void parse_insert_switch(std::string_view text, RunOptions& options) {
    const insert_mode mode = text.size() >= 2 ? mode_of(text.substr(0, 2)) : INSERT_NONE;
    if (mode == INSERT_NONE) {
        invalid_extension(text);
    }
    const std::string_view body = text.substr(2);
    const std::size_t equals = body.find('=');
    if (equals == std::string_view::npos) {
        invalid_extension(text);
    }
    const std::size_t keyword_end = body.find_first_of("0123456789=");
    const std::string_view keyword = body.substr(0, keyword_end);

    InsertSpec parsed;
    parsed.mode = mode;
    if (keyword_end != equals) {
        const auto count =
            read_decimal(body.substr(keyword_end, equals - keyword_end), count_limit);
        if (!count) {
            invalid_extension(text);
        }
        parsed.count = static_cast<unsigned>(*count);
    }

    const std::string_view assignment = body.substr(equals + 1);
    const std::size_t comma = assignment.find(',');
    const auto address = read_hex(assignment.substr(0, comma), address_limit);
    if (!address) {
        invalid_extension(text);
    }
    parsed.address = static_cast<long>(*address);
    std::optional<std::string_view> value;
    if (comma != std::string_view::npos) {
        value = assignment.substr(comma + 1);
    }

    InsertSpec* slot = nullptr;
    if (equals_ignoring_case(keyword, "OSCCAL")) {
        if (value && !value->empty()) {
            const auto correction = read_signed_decimal(*value, correction_limit);
            if (!correction) {
                invalid_extension(text);
            }
            parsed.osccal_correction = static_cast<int>(*correction);
        }
        slot = &options.osccal_insert;
    } else if (equals_ignoring_case(keyword, "SERNO")) {
        if (!value || value->empty()) {
            invalid_extension(text);
        }
        parsed.serno_file = std::string(*value);
        slot = &options.serno_insert;
    } else if (equals_ignoring_case(keyword, "BYTES")) {
        auto bytes = value ? read_bytes(*value, parsed.count) : std::nullopt;
        if (!bytes) {
            invalid_extension(text);
        }
        parsed.bytes = std::move(*bytes);
        options.bytes_insert = std::move(parsed);
        return;
    } else {
        invalid_extension(text);
    }
    if (slot->mode != INSERT_NONE) {
        command_error("Can't handle two specail code/data commands of one type\n");
    }
    *slot = std::move(parsed);
}

} // namespace quarnel
