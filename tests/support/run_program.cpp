// Child-process runner and temporary folders for end-to-end tests.
#include "tests/support/run_program.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {
std::string env_or(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v != nullptr ? v : fallback;
}

int occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}
} // namespace

std::string bin_path(const std::string& name) {
    if (name.find('/') != std::string::npos) {
        return name;
    }
    return env_or("QUARNEL_BIN", "build/bin") + "/" + name;
}

std::string source_path(const std::string& relative) {
    return env_or("QUARNEL_SOURCE", ".") + "/" + relative;
}

ProgramResult run_program(const ProgramRun& run) {
    int out_pipe[2];
    int in_pipe[2];
    if (pipe(out_pipe) != 0 || pipe(in_pipe) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const std::string path = bin_path(run.program);
    const pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        dup2(in_pipe[0], STDIN_FILENO);
        dup2(out_pipe[1], STDOUT_FILENO);
        dup2(out_pipe[1], STDERR_FILENO);
        close(in_pipe[0]);
        close(in_pipe[1]);
        close(out_pipe[0]);
        close(out_pipe[1]);
        for (const auto& [k, v] : run.env) {
            setenv(k.c_str(), v.c_str(), 1);
        }
        if (!run.directory.empty() && chdir(run.directory.c_str()) != 0) {
            _exit(127);
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(path.c_str()));
        for (const auto& a : run.args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    close(in_pipe[0]);
    close(out_pipe[1]);
    signal(SIGPIPE, SIG_IGN);
    if (!run.input.empty()) {
        const ssize_t w = write(in_pipe[1], run.input.data(), run.input.size());
        (void)w;
    }
    close(in_pipe[1]);

    ProgramResult result;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(run.timeout_s);
    bool signalled = false;
    char buf[4096];
    for (;;) {
        pollfd p{out_pipe[0], POLLIN, 0};
        const int r = poll(&p, 1, 50);
        if (r > 0) {
            const ssize_t n = read(out_pipe[0], buf, sizeof buf);
            if (n <= 0) {
                break;
            }
            result.output.append(buf, static_cast<std::size_t>(n));
            if (!signalled &&
                (run.signal_after_output_bytes > 0 &&
                 result.output.size() >= static_cast<std::size_t>(run.signal_after_output_bytes))) {
                kill(pid, run.signal_number);
                signalled = true;
            }
            if (!signalled && !run.signal_after_text.empty() &&
                occurrences(result.output, run.signal_after_text) >= run.signal_after_count) {
                kill(pid, run.signal_number);
                signalled = true;
            }
        } else if (r < 0 && errno != EINTR) {
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            result.output += "\n[killed: timeout]\n";
            break;
        }
    }
    close(out_pipe[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "quarnel-test-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    dir = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::size_t files_in(const std::string& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir)) {
        ++n;
    }
    return n;
}

void write_file(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}
