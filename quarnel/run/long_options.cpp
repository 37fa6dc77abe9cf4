// The long-option table and its listing.
#include "quarnel/run/long_options.h"

#include "quarnel/common/console.h"

#include <iterator>

namespace quarnel {

namespace {

constexpr LongOption long_options[] = {
    {"--file-fuses", long_action::flag, &RunOptions::file_fuses, nullptr,
     "write the fuse bytes of an ELF file (FUSES), as -f would; not with -f"},
    {"--file-lock", long_action::flag, &RunOptions::file_lock, nullptr,
     "write the lock byte of an ELF file (LOCKBITS); not with -l"},
    {"--log", long_action::text, nullptr, &RunOptions::log_target,
     "=FILE: append one CSV line per run (per site of a gang) to FILE, a row to a postgresql:// "
     "URI"},
    {"--serial-db", long_action::text, nullptr, &RunOptions::serial_database,
     "=URI: the SERNO insert's name is a counter in this PostgreSQL database"},
    {"--gang", long_action::text, nullptr, &RunOptions::gang_file,
     "=FILE: run the rest on every site of FILE at once (a name and -a/-p a line)"},
    {"--job", long_action::job, nullptr, nullptr,
     "=FILE: the run's switches and files from FILE, run in FILE's folder"},
    {"--repeat", long_action::flag, &RunOptions::repeat, nullptr,
     "chip after chip: wait for a chip, run, wait for its removal; Ctrl-C ends"},
    {"--site", long_action::text, nullptr, &RunOptions::site_name,
     "=NAME: the site name of the log line"},
    {"--help", long_action::help, nullptr, nullptr, "this help, with the long options"},
    {"--version", long_action::version, nullptr, nullptr, "the version line alone"},
};

bool takes_value(const LongOption& option) {
    return option.action == long_action::text || option.action == long_action::job;
}

} // namespace

const LongOption* find_long_option(std::string_view arg) {
    const std::string_view name = arg.substr(0, arg.find('='));
    for (const LongOption& option : long_options) {
        if (name == option.name && (takes_value(option) || name.size() == arg.size())) {
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
