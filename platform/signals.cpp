// POSIX user-break signals through sigaction.
#include "platform/signals.h"

#include <csignal>
#include <cstdlib>
#include <unistd.h>

namespace platform {
namespace {

constexpr int break_signals[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP};

void set_action(void (*action)(int)) {
    struct sigaction sa {};
    sa.sa_handler = action;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0; // no SA_RESTART: a blocking read is interrupted by a break
    for (int sig : break_signals) {
        sigaction(sig, &sa, nullptr);
    }
}

int hold_count = 0;
sigset_t mask_before_hold;

} // namespace

void install_break_handler(break_handler handler) {
    set_action(handler);
}

void restore_break_defaults() {
    set_action(SIG_DFL);
}

const char* break_signal_name(int signal_number) {
    switch (signal_number) {
    case SIGINT:
        return "SIGINT";
    case SIGQUIT:
        return "SIGQUIT";
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "SIGHUP";
    default:
        return "unknown signal";
    }
}

void hold_break_signals() {
    if (hold_count++ == 0) {
        sigset_t held;
        sigemptyset(&held);
        for (int sig : break_signals) {
            sigaddset(&held, sig);
        }
        sigprocmask(SIG_BLOCK, &held, &mask_before_hold);
    }
}

void release_break_signals() {
    if (hold_count > 0 && --hold_count == 0) {
        sigprocmask(SIG_SETMASK, &mask_before_hold, nullptr);
    }
}

void raise_signal(int signal_number) {
    std::raise(signal_number);
}

void kill_this_process() {
    kill(getpid(), SIGKILL);
    std::_Exit(128 + SIGKILL); // not reached: SIGKILL cannot be caught
}

int interrupt_signal() {
    return SIGINT;
}

} // namespace platform
