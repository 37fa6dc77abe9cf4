// The long-option table and its listing.
#include "quarnel/run/long_options.h"

#include "quarnel/common/console.h"

#include <iterator>

namespace quarnel {

namespace {

constexpr LongOption long_options[] = {
    {"--file-fuses", long_action::flag, &RunOptions::file_fuses,
     "write the fuse bytes of an ELF file (FUSES), as -f would; not with -f"},
    {"--file-lock", long_action::flag, &RunOptions::file_lock,
     "write the lock byte of an ELF file (LOCKBITS); not with -l"},
    {"--help", long_action::help, nullptr, "this help, with the long options"},
    {"--version", long_action::version, nullptr, "the version line alone"},
};

} // namespace

const LongOption* find_long_option(std::string_view arg) {
    for (const LongOption& option : long_options) {
        if (arg == option.name) {
            return &option;
        }
    }
    return nullptr;
}

void print_long_options() {
    console_log(2, "\nLong options\n");
    for (const LongOption& option : long_options) {
        console_log(2, " %-14s %s\n", option.name, option.help);
    }
}

} // namespace quarnel
