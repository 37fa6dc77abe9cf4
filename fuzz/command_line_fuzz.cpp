// quarnel's command line with its checks, the fuse list and inline pin maps included.
#include "fuzz/fuzz_support.h"
#include "quarnel/devices/current_device.h"
#include "quarnel/run/command_check.h"
#include "quarnel/run/command_line.h"
#include "quarnel/run/console.h"
#include "quarnel/run/errors.h"
#include "quarnel/run/run_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quiet_console();
    options = RunOptions{};
    console.verbosity = 2;
    detected_index = -1;
    // One argument a line.
    const std::vector<std::string> args =
        split_lines(std::string_view(reinterpret_cast<const char*>(data), size));
    std::vector<const char*> argv{"quarnel"};
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    try {
        parse_command_line(static_cast<int>(argv.size()), argv.data());
        check_command();
    } catch (const app_error&) {
    }
    return 0;
}
