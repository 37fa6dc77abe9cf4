// The run order: usage, port address, adapter, programming mode, device, command.
#include "dorvik/run.h"

#include "dorvik/commands.h"
#include "dorvik/device_select.h"
#include "dorvik/ini_file.h"
#include "dorvik/isp_driver.h"
#include "dorvik/port_access.h"
#include "dorvik/run_state.h"
#include "dorvik/usage.h"

#include <cstdio>
#include <limits>

namespace dorvik {
namespace {

// -lpt anywhere on the line; the last one with a value wins.
bool read_port_switches() {
    for (const SwitchArg& arg : switches_named(state.options, SwitchName::lpt)) {
        std::optional<std::uint32_t> address;
        if (!switch_number(arg, address)) {
            return false;
        }
        state.lpt_base = address.value_or(state.lpt_base);
    }
    return true;
}

// -sna and then -snl anywhere on the line; the last one with a value wins.
bool read_serial_switches() {
    for (const SwitchArg& arg : switches_named(state.options, SwitchName::sna)) {
        std::optional<std::uint32_t> value;
        if (!switch_number(arg, value)) {
            return false;
        }
        state.serial_address = value.value_or(state.serial_address);
    }
    for (const SwitchArg& arg : switches_named(state.options, SwitchName::snl)) {
        std::optional<std::uint32_t> value;
        if (!switch_number(arg, value)) {
            return false;
        }
        if (value &&
            *value > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) {
            std::printf("  Error: %u is no serial number length.\n", *value);
            return false;
        }
        if (value) {
            state.serial_length = static_cast<std::int32_t>(*value);
        }
    }
    return true;
}

int finish(int status) {
    release_target();
    return status;
}

} // namespace

int run(const Args& args, const std::string& config_dir) {
    if (args.size() == 2 && args[1] == "--version") {
        print_version();
        return EXIT_DONE;
    }
    if (args.size() < 2 || has_switch(args[1], "-h") || args[1] == "--help") {
        print_usage();
        return EXIT_DONE;
    }
    state = RunState{};
    state.options = parse_options(args);
    if (!read_port_switches()) {
        return EXIT_ERROR;
    }
    if (state.lpt_base == 0 && read_ini_port(config_dir) != 0) {
        return EXIT_ERROR;
    }
    if (state.lpt_base == 0) {
        // Address 0 belongs to the DMA controller, never to a parallel port.
        std::printf("  Error: dorvik.ini holds no port address (three hexadecimal digits, "
                    "such as 378).\n");
        return EXIT_ERROR;
    }
    if (open_port_access(state.lpt_base) != 0 || probe_adapter() != 0 ||
        isp_enter_programming() != 0) {
        return EXIT_ERROR;
    }
    state.device_name = state.options.device_name;
    if (select_device() != 0) {
        std::printf("  Error: unknown device %s.\n", state.device_name.c_str());
        return EXIT_ERROR;
    }
    if (!read_serial_switches()) {
        return EXIT_ERROR;
    }
    if (!state.options.has_command) {
        return finish(EXIT_DONE);
    }
    switch (run_command()) {
    case RunEnd::done:
        // Answers of a chip out of step read as 0xFF: what the command showed or did is unsure.
        return finish(isp_stayed_in_step(0, "carrying out the command") ? EXIT_DONE : EXIT_ERROR);
    case RunEnd::done_with_errors:
        return finish(EXIT_ERROR);
    case RunEnd::error:
        break;
    case RunEnd::byte_write_error:
        return EXIT_BYTE_WRITE;
    }
    return EXIT_ERROR;
}

} // namespace dorvik
