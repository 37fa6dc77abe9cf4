// User break: the handler only records; poll_user_break reports on the main thread.
#include "quarnel/common/user_break.h"

#include "platform/signals.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

#include <csignal>
#include <cstdlib>

namespace quarnel {

namespace {

volatile std::sig_atomic_t break_flag = 0;
volatile std::sig_atomic_t break_signal = 0;
bool installed = false;

void on_break(int signal_number) {
    break_signal = signal_number;
    break_flag = 1;
}

void remove_handlers() {
    platform::restore_break_defaults();
}

} // namespace

void poll_user_break() {
    if (!installed) {
        installed = true;
        platform::install_break_handler(on_break);
        std::atexit(remove_handlers);
    }
    if (break_flag != 0) {
        break_flag = 0;
        console_log(0, "\nTerminated by user (%s)\n\n", platform::break_signal_name(break_signal));
        throw app_error(EXIT_USER_BREAK);
    }
}

} // namespace quarnel
