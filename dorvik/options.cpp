// Reading the command line once: switch names, value texts and their conversion.
#include "dorvik/options.h"

#include <array>
#include <cstdio>

namespace dorvik {
namespace {

constexpr std::size_t HEX_BYTE_DIGITS = 2;
constexpr std::size_t PORT_ADDRESS_DIGITS = 3;

struct SwitchRow {
    const char* text;
    SwitchName name;
    ValueKind kind;
};

constexpr std::array<SwitchRow, 11> SWITCHES{{
    {"-lpt", SwitchName::lpt, ValueKind::port_address},
    {"-sna", SwitchName::sna, ValueKind::decimal},
    {"-snl", SwitchName::snl, ValueKind::decimal},
    {"-asn", SwitchName::asn, ValueKind::path},
    {"-wts", SwitchName::wts, ValueKind::decimal},
    {"-ws", SwitchName::ws, ValueKind::decimal},
    {"-we", SwitchName::we, ValueKind::path},
    {"-wlf", SwitchName::wlf, ValueKind::hex_byte},
    {"-whf", SwitchName::whf, ValueKind::hex_byte},
    {"-wxf", SwitchName::wxf, ValueKind::hex_byte},
    {"-wlb", SwitchName::wlb, ValueKind::hex_byte},
}};

struct CommandRow {
    const char* text;
    Command command;
    ValueKind kind;
};

// In the order argument 2 is matched against them.
constexpr std::array<CommandRow, 13> COMMANDS{{
    {"-er", Command::erase, ValueKind::path},
    {"-rst", Command::reset, ValueKind::path},
    {"-wlb", Command::write_lock, ValueKind::hex_byte},
    {"-wxf", Command::write_fuse_ext, ValueKind::hex_byte},
    {"-whf", Command::write_fuse_high, ValueKind::hex_byte},
    {"-wlf", Command::write_fuse_low, ValueKind::hex_byte},
    {"-rsn", Command::read_serial, ValueKind::path},
    {"-rlhf", Command::read_fuses, ValueKind::path},
    {"-rlb", Command::read_lock, ValueKind::path},
    {"-rf", Command::read_flash, ValueKind::path},
    {"-re", Command::read_eeprom, ValueKind::path},
    {"-we", Command::write_eeprom, ValueKind::path},
    {"-wf", Command::full_program, ValueKind::path},
}};

std::optional<std::uint32_t> convert(ValueKind kind, const std::string& text) {
    switch (kind) {
    case ValueKind::hex_byte:
        return parse_hex(text, HEX_BYTE_DIGITS);
    case ValueKind::port_address:
        return parse_hex(text, PORT_ADDRESS_DIGITS);
    case ValueKind::decimal:
        return parse_decimal(text);
    case ValueKind::path:
        break;
    }
    return std::nullopt;
}

SwitchArg read_switch(const std::string& arg, std::size_t position, ValueKind kind) {
    SwitchArg read{.position = position,
                   .kind = kind,
                   .has_equals = arg.find('=') != std::string::npos,
                   .text = value_text(arg),
                   .number = std::nullopt};
    if (read.text) {
        read.number = convert(kind, *read.text);
    }
    return read;
}

} // namespace

Options parse_options(const Args& args) {
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        for (const SwitchRow& row : SWITCHES) {
            if (has_switch(args[i], row.text)) {
                options.switches.push_back({row.name, read_switch(args[i], i, row.kind)});
                break;
            }
        }
    }
    if (args.size() > 1) {
        options.device_name = args[1].substr(0, DEVICE_NAME_MAX);
    }
    if (args.size() > FIRST_OPTION) {
        options.has_command = true;
        const std::string& arg = args[FIRST_OPTION];
        for (const CommandRow& row : COMMANDS) {
            if (has_switch(arg, row.text)) {
                options.command = row.command;
                options.command_arg = read_switch(arg, FIRST_OPTION, row.kind);
                break;
            }
        }
    }
    return options;
}

std::vector<SwitchArg> switches_named(const Options& options, SwitchName name, std::size_t from) {
    std::vector<SwitchArg> named;
    for (const NamedSwitch& entry : options.switches) {
        if (entry.name == name && entry.arg.position >= from) {
            named.push_back(entry.arg);
        }
    }
    return named;
}

std::optional<std::string> switch_path(const SwitchArg& arg) {
    if (!arg.has_equals) {
        std::printf("  Error write command.\n");
    }
    return arg.text;
}

bool switch_value_well_formed(const SwitchArg& arg) {
    if (!arg.text || arg.number) {
        return true;
    }
    switch (arg.kind) {
    case ValueKind::hex_byte:
        std::printf("  Error: %s is no hexadecimal byte.\n", arg.text->c_str());
        break;
    case ValueKind::decimal:
        std::printf("  Error: %s is no decimal number.\n", arg.text->c_str());
        break;
    case ValueKind::port_address:
        std::printf("  Error: %s is no port address of 1 to 3 hexadecimal digits.\n",
                    arg.text->c_str());
        break;
    case ValueKind::path:
        return true;
    }
    return false;
}

bool switch_number(const SwitchArg& arg, std::optional<std::uint32_t>& number) {
    switch_path(arg);
    number = arg.number;
    return switch_value_well_formed(arg);
}

} // namespace dorvik
