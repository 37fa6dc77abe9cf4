// Starting and stopping the board process.
#include "tests/quarnel/e2e/arduino_board.h"

#include <csignal>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

ArduinoBoard::ArduinoBoard(const Bench& bench, const std::vector<std::string>& options) {
    std::vector<std::string> args = {bin_path("avrsim"), "arduinoisp", bench.file("chip.avr")};
    args.insert(args.end(), options.begin(), options.end());
    int out[2];
    if (pipe(out) != 0) {
        throw std::runtime_error("pipe");
    }
    pid_ = fork();
    if (pid_ == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    char c = 0;
    while (read(out[0], &c, 1) == 1 && c != '\n') {
        path_ += c;
    }
    close(out[0]);
    if (path_.empty()) {
        throw std::runtime_error("avrsim arduinoisp printed no path");
    }
}

ArduinoBoard::~ArduinoBoard() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
}
