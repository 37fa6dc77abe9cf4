// User-break signals (Ctrl-C and friends).
#pragma once

namespace platform {

using break_handler = void (*)(int signal_number);

// Installs `handler` for every user-break signal of the host: SIGINT, SIGQUIT
// (the Ctrl-\ key), SIGTERM and SIGHUP on POSIX hosts; SIGINT, SIGBREAK (the
// Ctrl-Break key) and SIGTERM on Windows, where the handler runs on a thread
// of the console. The handler stays installed after each delivery.
void install_break_handler(break_handler handler);

// Puts the default action back on every user-break signal.
void restore_break_defaults();

// Name of a user-break signal ("SIGINT", "SIGQUIT", "SIGBREAK"...), or "unknown signal".
const char* break_signal_name(int signal_number);

// Holds the user-break signals back until as many release_break_signals()
// calls as hold calls were made; one that came meanwhile is delivered then.
void hold_break_signals();
void release_break_signals();

// Sends `signal_number` to the calling process (used by tests).
void raise_signal(int signal_number);

// Ends the calling process at once, as SIGKILL does: no handler runs, nothing is flushed or
// destroyed (used by the virtual target to stand for a killed programmer).
[[noreturn]] void kill_this_process();

// The host's number for SIGINT.
int interrupt_signal();

} // namespace platform
