// POSIX console: terminal test, unbuffered output, single key reads.
#include "platform/console.h"

#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace platform {

bool stdout_is_terminal() {
    return isatty(STDOUT_FILENO) == 1;
}

void make_stdout_unbuffered() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
}

void write_stdout(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

int read_key() {
    unsigned char ch = 0;
    if (isatty(STDIN_FILENO) != 1) {
        return read(STDIN_FILENO, &ch, 1) == 1 ? ch : -1;
    }
    termios saved{};
    if (tcgetattr(STDIN_FILENO, &saved) != 0) {
        return read(STDIN_FILENO, &ch, 1) == 1 ? ch : -1;
    }
    termios raw = saved;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    const ssize_t got = read(STDIN_FILENO, &ch, 1);
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    return got == 1 ? ch : -1;
}

} // namespace platform
