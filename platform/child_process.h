// Programs run side by side, each read through pipes of its own (the gang's sites).
#pragma once

#include <string>
#include <vector>

namespace platform {

struct child_process {
    long pid = -1;
    int output = -1; // read end of the child's standard output and error
    int record = -1; // read end of the child's record descriptor
};

// Starts `program` with the arguments `args` (argv[1] on), standard input from the null device,
// standard output and error into one pipe, and a second pipe whose write end the child finds
// under the number that the environment variable `record_variable` holds. Every other
// descriptor of this process stays closed to the child. False with errno set (ENOSYS where the
// host cannot start programs this way).
bool start_child(const std::string& program, const std::vector<std::string>& args,
                 const char* record_variable, child_process& child);

// Waits until one of `descriptors` (entries of -1 are left out) has data or is closed, and reads
// what is there into `data`: empty at the end of the pipe (which is then closed and set to -1).
// Returns the index of the descriptor read, or -1 when a signal interrupted the wait or
// `timeout_ms` passed first.
int read_any(std::vector<int*> descriptors, std::string& data, int timeout_ms);

// Waits for the child to end: its exit status, or 128 plus the number of the signal that ended
// it.
int wait_child(long pid);

// Passes a user break on to the child (SIGINT).
void interrupt_child(long pid);

// Writes `text` whole to the inherited descriptor `descriptor`. False with errno set.
bool write_descriptor(int descriptor, const std::string& text);

} // namespace platform
