// Exceptions that end a run; each carries the process exit status.
#pragma once

#include <exception>
#include <string>

namespace quarnel {

// Exit statuses of a run.
enum exit_status : int {
    EXIT_OK = 0,
    EXIT_CHIP_FAILED = 10,
    EXIT_WRONG_CHIP = 30,
    EXIT_SYNC_LOST = 40,
    EXIT_BAD_DATA = 50,
    EXIT_NO_MEMORY = 60,
    EXIT_ENVIRONMENT = 70,
    EXIT_USER_BREAK = 80,
    EXIT_OTHER = 255,
};

// The message is printed where the error is found; what() adds nothing.
class app_error : public std::exception {
  public:
    explicit app_error(int status) : code(status) {}
    ~app_error() override = default;
    const char* what() const noexcept override;

    int code;
};

// Raised right after a failing runtime-library call: what() is strerror(errno)
// as it stands when what() is called.
class rtl_error : public app_error {
  public:
    explicit rtl_error(int status) : app_error(status) {}
    ~rtl_error() override = default;
    const char* what() const noexcept override;
};

// Raised right after a failing system call: what() is the host's reason for
// the last failure recorded by platform/, without trailing line ends.
class win32_error : public app_error {
  public:
    // Takes the reason from platform/ as it stands now.
    explicit win32_error(int status);
    ~win32_error() override = default;
    const char* what() const noexcept override;

  private:
    std::string reason;
};

} // namespace quarnel
