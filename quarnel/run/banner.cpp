// Banner with version and build time, and the command echo.
#include "quarnel/run/banner.h"

#include "quarnel/common/console.h"

#include <cstring>

namespace quarnel {

namespace {
constexpr const char* version = "v1.28v9";
constexpr const char* build_time = __DATE__ " " __TIME__;
constexpr const char* web_page = "https://quarnel.example.org/";
constexpr const char* mail_address = "quarnel@example.org";
} // namespace

void print_version_line() {
    console_log(2, "%s (%s)  %s\n", version, build_time, web_page);
}

void print_banner() {
    console_log(2, "\nquarnel/WIN32  -  AVR controllers programmer by the quarnel developers\n");
    print_version_line();
    console_log(2, "Please send reports and suggestions to %s\n", mail_address);
}

void print_command(int argc, const char* const argv[]) {
    console_log(2, "Command:\n ");
    for (int i = 1; i < argc; ++i) {
        const bool quoted = std::strpbrk(argv[i], " \t") != nullptr;
        console_log(2, quoted ? " \"%s\"" : " %s", argv[i]);
    }
    console_log(2, "\n");
}

} // namespace quarnel
