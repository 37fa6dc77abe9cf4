// Windows console: console test, unbuffered output in the OEM code page, single key reads.
#include "platform/console.h"

#include <conio.h>
#include <cstdio>
#include <cstring>
#include <io.h>
#include <string>
#include <windows.h>

namespace platform {
namespace {

bool is_console(DWORD which) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

} // namespace

bool stdout_is_terminal() {
    return is_console(STD_OUTPUT_HANDLE);
}

void make_stdout_unbuffered() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
}

void write_stdout(const char* text) {
    // A console shows the OEM code page; a file or a pipe gets the program's own (ANSI) bytes.
    static const bool oem = stdout_is_terminal();
    if (oem) {
        std::string converted(text);
        CharToOemA(converted.c_str(), converted.data());
        std::fputs(converted.c_str(), stdout);
    } else {
        std::fputs(text, stdout);
    }
    std::fflush(stdout);
}

int read_key() {
    if (is_console(STD_INPUT_HANDLE)) {
        return _getch();
    }
    unsigned char ch = 0;
    return _read(_fileno(stdin), &ch, 1) == 1 ? ch : -1;
}

} // namespace platform
