// The switch table of the command line: device name, switches and file names.
#include "quarnel/run/command_line.h"

#include "quarnel/common/command_errors.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/devices/device_listing.h"
#include "quarnel/devices/device_lookup.h"
#include "quarnel/run/file_names.h"
#include "quarnel/run/frequency_switch.h"
#include "quarnel/run/insert_switch.h"
#include "quarnel/run/long_options.h"
#include "quarnel/run/number_text.h"
#include "quarnel/run/run_options.h"
#include "quarnel/run/usage.h"

#include <string>
#include <string_view>

namespace quarnel {

namespace {

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           equals_ignoring_case(text.substr(0, prefix.size()), prefix);
}

// The arguments still to be read; a file switch may take the next one.
class ArgumentList {
  public:
    ArgumentList(int argc, const char* const argv[]) : count(argc), values(argv) {}
    bool done() const { return index >= count; }
    const char* next() { return index < count ? values[index++] : nullptr; }

  private:
    int count;
    const char* const* values;
    int index = 1;
};

// Fills the run options switch by switch.
class SwitchParser {
  public:
    explicit SwitchParser(RunOptions& target) : options(target) {}

    void select_device(const char* text) {
        if (text[0] == '\0') {
            command_error("Chip name required for '+'\n");
        }
        if (starts_with_ignoring_case(text, "AT")) {
            text += 2;
        }
        options.requested_name = text;
        if (find_device(text) < 0) {
            command_error("Unsupported device %s\n", text);
        }
    }

    // `with_long_options` for --help: the long options follow the usage text.
    [[noreturn]] void show_help(bool with_long_options = false) {
        if (options.requested_name) {
            list_device_fuses(options.requested_name->c_str());
        } else {
            print_usage();
            if (with_long_options) {
                print_long_options();
            }
            list_supported_devices();
        }
        throw app_error(EXIT_OK);
    }

    void parse_adapter_switch(const char* value) {
        const std::string_view text(value);
        if (equals_ignoring_case(text, "z")) {
            options.lazy = true;
        } else if (equals_ignoring_case(text, "p")) {
            options.power_from_data = true;
        } else if (equals_ignoring_case(text, "r")) {
            command_error("-ar switch not supported now, use adapter configuration file for "
                          "inverted reset\n");
        } else if (starts_with_ignoring_case(text, "i")) {
            const std::string_view digits =
                text.substr(1, text.find_first_not_of("0123456789", 1) - 1);
            if (digits.empty()) {
                command_error("Value required for switch '%s'\n", "-ai");
            }
            // Times outside 1 to 10000 ms leave the default in force.
            const auto ms = read_decimal(digits, 10000);
            if (ms && *ms >= 1) {
                options.inactive_reset_ms = static_cast<float>(*ms);
            }
        } else {
            options.adapter_spec = value;
        }
    }

    void parse_erase_counter(char letter, const char* value) {
        options.erase_counter = true;
        if (value[0] == '\0') {
            return;
        }
        const auto count = read_decimal(value, 65534);
        if (!count || *count < 1) {
            invalid_switch_value(letter, value);
        }
        options.erase_count = static_cast<std::uint16_t>(*count);
    }

    void parse_fuse_switch(char letter, const char* value) {
        if (options.fuse_list) {
            command_error("Only one -F switch can be used, place all fuses in one switch\n");
        }
        if (value[0] == '\0') {
            invalid_switch_value(letter, value);
        }
        options.fuse_list = value;
    }

    // -c and -d: a file name in the rest or the next argument, or production data.
    void parse_file_switch(char letter, const char* rest, ArgumentList& args) {
        if (rest[0] == '*' || rest[0] == '?') {
            parse_insert_switch(std::string(1, letter) + rest, options);
            return;
        }
        const memory_slot slot = (letter == 'c' || letter == 'C') ? SLOT_CODE : SLOT_DATA;
        const char* name = rest;
        if (name[0] == '\0') {
            name = args.next();
            if (name == nullptr || name[0] == '\0') {
                command_error("File name required for -%c\n", letter);
            }
        }
        options.single_file = false;
        set_file(options, slot, name);
    }

    // -b: blank check of flash (c), EEPROM (d) or, with neither, both.
    void parse_blank_check(char letter, const char* modifiers) {
        unsigned bits = 0;
        for (const char* p = modifiers; *p != '\0'; ++p) {
            if (*p == 'c' || *p == 'C') {
                bits |= 1;
            } else if (*p == 'd' || *p == 'D') {
                bits |= 2;
            } else {
                invalid_switch_value(letter, p);
            }
        }
        options.blank_check |= bits == 0 ? BLANK_CODE | BLANK_DATA : bits;
    }

    // -w: '+' fills unmentioned EEPROM, 'p' polls for the end of each write.
    void parse_write(char letter, const char* modifiers) {
        options.write = true;
        for (const char* p = modifiers; *p != '\0'; ++p) {
            if (*p == '+') {
                options.write_fill_eeprom = true;
            } else if (*p == 'p' || *p == 'P') {
                options.write_poll = true;
            } else {
                invalid_switch_value(letter, p);
            }
        }
    }

    // Consumes `modifier` when it directly follows the switch letter.
    bool take_modifier(const char*& p, char modifier) {
        if (*p != modifier) {
            return false;
        }
        ++p;
        return true;
    }

    // -l[+]#: returns the position after the level digit.
    const char* parse_lock(char letter, const char* p) {
        options.lock_before_fuses |= take_modifier(p, '+');
        if (*p != '1' && *p != '2') {
            invalid_switch_value(letter, p);
        }
        options.lock_level = *p == '1' ? lock_request::level1 : lock_request::level2;
        return p + 1;
    }

    // One argument of switch letters.
    void parse_switches(const char* p, ArgumentList& args) {
        while (*p != '\0') {
            const char letter = *p++;
            switch (letter) {
            case '?':
            case 'h':
            case 'H':
                show_help();
            case '!':
                options.force = true;
                break;
            case '%':
                console.verbosity = 4;
                break;
            case '1':
                options.delay_factor = 1.5f;
                break;
            case '2':
            case '3':
            case '4':
            case '5':
                options.delay_factor = static_cast<float>(letter - '0');
                break;
            case 'a':
            case 'A':
                parse_adapter_switch(p);
                return;
            case 'b':
            case 'B':
                parse_blank_check(letter, p);
                return;
            case 'c':
            case 'C':
            case 'd':
            case 'D':
                parse_file_switch(letter, p, args);
                return;
            case 'e':
            case 'E':
                options.erase = true;
                options.preserve_eeprom |= take_modifier(p, '-');
                break;
            case 'f':
            case 'F':
                parse_fuse_switch(letter, p);
                return;
            case 'k':
                options.wait_key = true;
                break;
            case 'K':
                options.wait_key = true;
                options.wait_key_early = true;
                break;
            case 'l':
            case 'L':
                p = parse_lock(letter, p);
                break;
            case 'n':
            case 'N':
                parse_erase_counter(letter, p);
                return;
            case 'o':
            case 'O':
                parse_frequency_switch(letter, p, options);
                return;
            case 'p':
            case 'P':
                options.port_spec = p;
                return;
            case 'r':
            case 'R':
                options.read = true;
                options.read_keep_ff |= take_modifier(p, '+');
                break;
            case 'v':
            case 'V':
                options.verify = true;
                options.verify_all |= take_modifier(p, '+');
                break;
            case 'w':
            case 'W':
                parse_write(letter, p);
                return;
            default:
                command_error("Invalid switch %c\n%s\n", letter, short_help);
            }
        }
    }

    // False when `option` is to be read as short switches, as before it existed. `arg` is the
    // argument as typed, "--name=VALUE" for the options that take a value.
    bool apply_long_option(const LongOption& option, std::string_view arg) {
        const std::size_t equals = arg.find('=');
        const std::string value =
            equals == std::string_view::npos ? "" : std::string(arg.substr(equals + 1));
        switch (option.action) {
        case long_action::help:
            show_help(true); // as -? at the same place
        case long_action::flag:
            options.*option.flag = true;
            return true;
        case long_action::text:
            if (value.empty()) {
                command_error("Value required for switch '%s'\n", option.name);
            }
            options.*option.text = value;
            return true;
        case long_action::job:
            command_error("Only one --job switch can be used\n");
        case long_action::version:
            break;
        }
        return false;
    }

    // A bare argument: the flash file first, then the EEPROM file.
    void add_file(const char* name) {
        if (!options.code_file().name) {
            set_file(options, SLOT_CODE, name);
        } else if (!options.data_file().name) {
            options.single_file = false;
            set_file(options, SLOT_DATA, name);
        } else {
            command_error("Too many files\n");
        }
    }

  private:
    RunOptions& options;
};

} // namespace

void parse_command_line(int argc, const char* const argv[], RunOptions& options) {
    SwitchParser parser(options);
    ArgumentList args(argc, argv);
    while (!args.done()) {
        const char* arg = args.next();
        if (arg[0] == '\0') {
            continue;
        }
        if (arg[0] == '+') {
            parser.select_device(arg + 1);
        } else if (const LongOption* option = find_long_option(arg);
                   option != nullptr && parser.apply_long_option(*option, arg)) {
            continue;
        } else if (std::string_view(arg).starts_with("--") && arg[2] != '\0') {
            command_error("Unknown option '%s'\n%s\n", arg, short_help);
        } else if (arg[0] == '-') {
            parser.parse_switches(arg + 1, args);
        } else {
            parser.add_file(arg);
        }
    }
}

} // namespace quarnel
