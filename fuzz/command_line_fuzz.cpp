// quarnel's command line with its checks, the fuse list and inline pin maps included.
#include "fuzz/fuzz_support.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/run/command_check.h"
#include "quarnel/run/command_line.h"
#include "quarnel/run/run_options.h"

using namespace quarnel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quiet_console();
    console.verbosity = 2;
    // One argument a line.
    const std::vector<std::string> args =
        split_lines(std::string_view(reinterpret_cast<const char*>(data), size));
    std::vector<const char*> argv{"quarnel"};
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    RunOptions options;
    FuseRequest fuses{};
    try {
        parse_command_line(static_cast<int>(argv.size()), argv.data(), options);
        check_command(options, fuses);
    } catch (const app_error&) {
    }
    return 0;
}
