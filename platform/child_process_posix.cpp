// Child programs with fork and execve, pipes with pipe2 and poll.
#include "platform/child_process.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

namespace {

constexpr int record_descriptor = 3;

void close_pair(int pair[2]) {
    ::close(pair[0]);
    ::close(pair[1]);
}

} // namespace

bool start_child(const std::string& program, const std::vector<std::string>& args,
                 const char* record_variable, child_process& child) {
    // Everything the child needs is made before the fork: after it, only async-signal-safe
    // calls.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    const std::string record_setting =
        std::string(record_variable) + "=" + std::to_string(record_descriptor);
    std::vector<char*> envp;
    const std::string prefix = std::string(record_variable) + "=";
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::string(*entry).rfind(prefix, 0) != 0) {
            envp.push_back(*entry);
        }
    }
    envp.push_back(const_cast<char*>(record_setting.c_str()));
    envp.push_back(nullptr);

    int output[2];
    int record[2];
    if (pipe2(output, O_CLOEXEC) != 0) {
        return false;
    }
    if (pipe2(record, O_CLOEXEC) != 0) {
        const int saved_errno = errno;
        close_pair(output);
        errno = saved_errno;
        return false;
    }
    const int null_input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const pid_t pid = null_input < 0 ? -1 : fork();
    if (pid == 0) {
        // dup2 clears close-on-exec on the copies; the originals close at exec.
        if (dup2(null_input, 0) < 0 || dup2(output[1], 1) < 0 || dup2(output[1], 2) < 0 ||
            dup2(record[1], record_descriptor) < 0) {
            _exit(127);
        }
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    const int saved_errno = errno;
    if (null_input >= 0) {
        ::close(null_input);
    }
    ::close(output[1]);
    ::close(record[1]);
    if (pid < 0) {
        ::close(output[0]);
        ::close(record[0]);
        errno = saved_errno;
        return false;
    }
    child.pid = pid;
    child.output = output[0];
    child.record = record[0];
    return true;
}

int read_any(std::vector<int*> descriptors, std::string& data, int timeout_ms) {
    std::vector<pollfd> polled;
    std::vector<std::size_t> index_of;
    for (std::size_t i = 0; i < descriptors.size(); ++i) {
        if (*descriptors[i] >= 0) {
            polled.push_back({*descriptors[i], POLLIN, 0});
            index_of.push_back(i);
        }
    }
    if (poll(polled.data(), polled.size(), timeout_ms) <= 0) {
        return -1; // EINTR (a signal came) or the time-out
    }
    for (std::size_t k = 0; k < polled.size(); ++k) {
        if (polled[k].revents == 0) {
            continue;
        }
        char buffer[4096];
        ssize_t count;
        do {
            count = ::read(polled[k].fd, buffer, sizeof buffer);
        } while (count < 0 && errno == EINTR);
        data.assign(buffer, count > 0 ? static_cast<std::size_t>(count) : 0);
        if (count <= 0) {
            ::close(polled[k].fd);
            *descriptors[index_of[k]] = -1;
        }
        return static_cast<int>(index_of[k]);
    }
    return -1;
}

int wait_child(long pid) {
    int status = 0;
    while (waitpid(static_cast<pid_t>(pid), &status, 0) < 0) {
        if (errno != EINTR) {
            return 127;
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void interrupt_child(long pid) {
    kill(static_cast<pid_t>(pid), SIGINT);
}

bool write_descriptor(int descriptor, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t count = ::write(descriptor, text.data() + done, text.size() - done);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(count);
    }
    return true;
}

} // namespace platform
