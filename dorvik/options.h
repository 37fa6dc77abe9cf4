// The command line of a run, read once into the switches and the command it holds.
#pragma once

#include "dorvik/command_line.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dorvik {

inline constexpr std::size_t DEVICE_NAME_MAX = 16;

// The switches that may stand anywhere on the line (-lpt, -sna, -snl, -wlb) or after the
// command (the options of -wf). An argument is the switch whose name begins it.
enum class SwitchName { lpt, sna, snl, asn, wts, ws, we, wlf, whf, wxf, wlb };

// What argument 2 asks for; `none` when it matches no command.
enum class Command {
    none,
    erase,
    reset,
    write_lock,
    write_fuse_ext,
    write_fuse_high,
    write_fuse_low,
    read_serial,
    read_fuses,
    read_lock,
    read_flash,
    read_eeprom,
    write_eeprom,
    full_program,
};

// What a switch's value is.
enum class ValueKind { path, hex_byte, decimal, port_address };

// One switch argument as the line gave it, its value converted when the line is read. A
// malformed value keeps its text: the run reports it where it comes to the switch, so the
// messages stand where they always stood among the chip's output.
struct SwitchArg {
    std::size_t position = 0; // on the command line; 0 is the program's name
    ValueKind kind = ValueKind::path;
    bool has_equals = false;             // without '=' the value is missing
    std::optional<std::string> text;     // after the first '='; none when empty
    std::optional<std::uint32_t> number; // the text converted for the switch, if it is a number
};

struct NamedSwitch {
    SwitchName name;
    SwitchArg arg;
};

struct Options {
    std::string device_name;  // argument 1, at most DEVICE_NAME_MAX characters
    bool has_command = false; // there is an argument 2
    Command command = Command::none;
    SwitchArg command_arg;             // argument 2 with its value
    std::vector<NamedSwitch> switches; // in the order of the line
};

// Options of -wf are taken from this argument on; -lpt, -sna, -snl and -wlb from anywhere.
inline constexpr std::size_t FIRST_OPTION = 2;

Options parse_options(const Args& args);

// The switches called `name` at `from` or after it, in the order of the line.
std::vector<SwitchArg> switches_named(const Options& options, SwitchName name,
                                      std::size_t from = 0);

// The value text of a switch whose value is a file name; prints "  Error write command.\n"
// when it has no '='.
std::optional<std::string> switch_path(const SwitchArg& arg);

// The number of a numeric switch: prints "  Error write command.\n" when it has no
// '=' (true, no number) and the conversion's message when its text is malformed (false).
bool switch_number(const SwitchArg& arg, std::optional<std::uint32_t>& number);

// False after the conversion's message when the switch's value text is malformed; a switch
// without a value passes silently.
bool switch_value_well_formed(const SwitchArg& arg);

} // namespace dorvik
