// Windows user breaks through the C runtime's signal(): SIGINT, SIGBREAK and SIGTERM.
#include "platform/signals.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <windows.h>

namespace platform {
namespace {

constexpr int break_signals[] = {SIGINT, SIGBREAK, SIGTERM};

// The console delivers Ctrl-C and Ctrl-Break on a thread of its own, hence the atomics.
std::atomic<break_handler> installed{nullptr};
std::atomic<int> hold_count{0};
std::atomic<int> held_signal{0};

void catch_signal(int signal_number);

void set_action(void (*action)(int)) {
    for (int sig : break_signals) {
        std::signal(sig, action);
    }
}

void default_action(int signal_number) {
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

// The runtime puts the default action back before each delivery: catch_signal renews itself.
void catch_signal(int signal_number) {
    std::signal(signal_number, catch_signal);
    if (hold_count.load() > 0) {
        held_signal.store(signal_number);
        return;
    }
    if (const break_handler handler = installed.load()) {
        handler(signal_number);
    } else {
        default_action(signal_number);
    }
}

} // namespace

void install_break_handler(break_handler handler) {
    installed.store(handler);
    set_action(catch_signal);
}

void restore_break_defaults() {
    installed.store(nullptr);
    if (hold_count.load() == 0) {
        set_action(SIG_DFL);
    }
}

const char* break_signal_name(int signal_number) {
    switch (signal_number) {
    case SIGINT:
        return "SIGINT";
    case SIGBREAK:
        return "SIGBREAK";
    case SIGTERM:
        return "SIGTERM";
    default:
        return "unknown signal";
    }
}

void hold_break_signals() {
    if (hold_count.fetch_add(1) == 0) {
        set_action(catch_signal);
    }
}

void release_break_signals() {
    int count = hold_count.load();
    while (count > 0 && !hold_count.compare_exchange_weak(count, count - 1)) {
    }
    if (count != 1) {
        return;
    }
    const break_handler handler = installed.load();
    if (handler == nullptr) {
        set_action(SIG_DFL);
    }
    if (const int held = held_signal.exchange(0)) {
        if (handler != nullptr) {
            handler(held);
        } else {
            default_action(held);
        }
    }
}

void raise_signal(int signal_number) {
    std::raise(signal_number);
}

void kill_this_process() {
    TerminateProcess(GetCurrentProcess(), 137); // the status a POSIX shell shows for SIGKILL
    std::_Exit(137);
}

int interrupt_signal() {
    return SIGINT;
}

} // namespace platform
