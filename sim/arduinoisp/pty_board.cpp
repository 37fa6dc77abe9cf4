// The board's UART on a pseudo-terminal master.
#include "sim/arduinoisp/pty_board.h"

#include "platform/clock.h"
#include "sim/target_error.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace avrsim {

namespace {
constexpr std::size_t transmit_buffer = 64;

// The sketch's pass ends here: the board was reset, or the bench stops.
struct board_reset {};

template <typename Number> Number number_option(const std::string& key, const std::string& text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < 0) {
        throw target_error("bad " + key + " '" + text + "'");
    }
    return value;
}

speed_t baud_code(unsigned baud) {
    switch (baud) {
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        throw target_error("baud must be 9600, 19200, 38400, 57600 or 115200");
    }
}
} // namespace

board_settings parse_board_settings(int count, char** options) {
    board_settings settings;
    for (int i = 0; i < count; ++i) {
        const std::string text = options[i];
        const std::size_t equals = text.find('=');
        const std::string key = text.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : text.substr(equals + 1);
        if (key == "baud") {
            settings.baud = number_option<unsigned>(key, value);
            baud_code(settings.baud);
        } else if (key == "boot_ms") {
            settings.boot_ms = number_option<double>(key, value);
        } else if (key == "sck_hz") {
            settings.sck_hz = number_option<double>(key, value);
            if (settings.sck_hz < 1000.0) {
                throw target_error("sck_hz must be 1000 or more");
            }
        } else if (key == "page_wait_ms") {
            settings.page_wait_ms = number_option<double>(key, value);
        } else if (key == "fault" && (value == "silent" || value == "garbage")) {
            settings.silent = value == "silent";
            settings.garbage_after = value == "garbage" ? 0 : settings.garbage_after;
        } else if (key == "garbage_after") {
            settings.garbage_after = number_option<long>(key, value);
        } else if (key == "stall_after") {
            settings.stall_after = number_option<long>(key, value);
        } else {
            throw target_error("unknown board option '" + text + "'");
        }
    }
    return settings;
}

pty_board::pty_board(TargetSession& session, const board_settings& settings)
    : session_(session), settings_(settings),
      sketch_(session.chip(), *this, settings.sck_hz, settings.page_wait_ms),
      byte_us_(10.0e6 / settings.baud) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        throw target_error(std::string("can't make a pseudo-terminal: ") + std::strerror(errno));
    }
    path_ = ptsname(master_);
    // Opened and closed once, the slave reads as hung up until a program opens it: that is
    // how the board sees the port opened. It starts at the sketch's baud, raw.
    const int slave = open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        throw target_error("can't open " + path_ + ": " + std::strerror(errno));
    }
    termios line{};
    tcgetattr(slave, &line);
    cfmakeraw(&line);
    cfsetispeed(&line, baud_code(settings_.baud));
    cfsetospeed(&line, baud_code(settings_.baud));
    tcsetattr(slave, TCSANOW, &line);
    close(slave);
}

pty_board::~pty_board() {
    if (master_ >= 0) {
        close(master_);
    }
}

void pty_board::pump(double wait_us) {
    if (stop_ != nullptr && *stop_) {
        throw board_reset{};
    }
    const double now = session_.clock().now_us();
    // Bytes due to the program go now; the next due one bounds the wait.
    while (!out_.empty() && out_.front().at_us <= now) {
        if (client_) {
            ++session_.counter("serial_out");
            const std::uint8_t byte = out_.front().value;
            if (write(master_, &byte, 1) != 1 && errno != EAGAIN && errno != EIO) {
                throw target_error(std::string("pseudo-terminal: ") + std::strerror(errno));
            }
        }
        out_.pop_front();
    }
    if (!out_.empty()) {
        wait_us = std::min(wait_us, out_.front().at_us - now);
    }
    wait_us = std::max(wait_us, 0.0);
    const timespec wait{static_cast<time_t>(wait_us / 1e6),
                        static_cast<long>(std::fmod(wait_us, 1e6) * 1000.0)};
    pollfd ready{master_, POLLIN, 0};
    const int n = ppoll(&ready, 1, &wait, nullptr);
    if (n < 0 && errno != EINTR) {
        throw target_error(std::string("pseudo-terminal: ") + std::strerror(errno));
    }
    const bool hung_up = (ready.revents & POLLHUP) != 0;
    if (hung_up) {
        if (client_) {
            client_ = false;
            out_.clear();
            in_.clear();
        }
        // Nobody on the port: nothing to do but wait for one.
        platform::sleep_ms(5);
        return;
    }
    if (!client_) {
        client_ = true;
        opened_ = true;
        throw board_reset{}; // DTR has reset the board
    }
    if ((ready.revents & POLLIN) == 0) {
        return;
    }
    std::uint8_t bytes[512];
    const ssize_t got = read(master_, bytes, sizeof bytes);
    if (got <= 0) {
        return;
    }
    // A program at another baud rate gives the UART nothing it can frame.
    termios line{};
    tcgetattr(master_, &line);
    if (cfgetospeed(&line) != baud_code(settings_.baud)) {
        return;
    }
    session_.counter("serial_in") += got;
    const double arrived = session_.clock().now_us();
    for (ssize_t i = 0; i < got; ++i) {
        last_in_us_ = std::max(last_in_us_, arrived) + byte_us_;
        in_.push_back({bytes[i], last_in_us_});
    }
}

std::uint8_t pty_board::getch() {
    for (;;) {
        if (!in_.empty()) {
            const double wait_us = in_.front().at_us - session_.clock().now_us();
            if (wait_us <= 0.0) {
                const std::uint8_t byte = in_.front().value;
                in_.pop_front();
                return byte;
            }
            pump(wait_us);
            continue;
        }
        pump(10000.0);
    }
}

void pty_board::put(std::uint8_t byte) {
    if (settings_.garbage_after >= 0 && commands_ > settings_.garbage_after) {
        byte = static_cast<std::uint8_t>(byte ^ 0x5A);
    }
    if (settings_.stall_after >= 0 && commands_ > settings_.stall_after) {
        return;
    }
    // The transmit buffer holds 64 bytes; the sketch waits for room.
    while (out_.size() >= transmit_buffer) {
        pump(1000.0);
    }
    const double now = session_.clock().now_us();
    last_out_us_ = std::max(last_out_us_, now) + byte_us_;
    out_.push_back({byte, last_out_us_});
}

void pty_board::delay_ms(double ms) {
    const double end = session_.clock().now_us() + ms * 1000.0;
    for (double left = end - session_.clock().now_us(); left > 0.0;
         left = end - session_.clock().now_us()) {
        pump(left);
    }
}

void pty_board::service() {
    if (!out_.empty() && out_.front().at_us <= session_.clock().now_us()) {
        pump(0.0);
    }
}

void pty_board::boot() {
    sketch_.restart();
    out_.clear();
    // The bootloader has the UART: what comes meanwhile is not the sketch's.
    delay_ms(settings_.boot_ms);
    in_.clear();
    out_.clear();
    last_out_us_ = 0.0;
    commands_ = 0;
}

void pty_board::serve(const volatile bool& stop) {
    stop_ = &stop;
    while (!stop) {
        try {
            if (opened_) {
                opened_ = false;
                boot();
            }
            if (settings_.silent) {
                getch();
                continue;
            }
            session_.before_access();
            ++commands_;
            sketch_.step();
        } catch (const board_reset&) {
            sketch_.restart();
        }
    }
}

} // namespace avrsim
