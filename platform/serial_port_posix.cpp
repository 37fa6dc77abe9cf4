// Serial ports through termios: raw mode, poll for the time-outs, TIOCMSET for DTR and RTS.
#include "platform/serial_port.h"

#include "platform/clock.h"
#include "platform/system_error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace platform {
namespace {

struct baud_code {
    unsigned baud;
    speed_t code;
};

constexpr baud_code baud_codes[] = {
    {1200, B1200},     {2400, B2400},     {4800, B4800},       {9600, B9600},     {19200, B19200},
    {38400, B38400},   {57600, B57600},   {115200, B115200},   {230400, B230400}, {460800, B460800},
    {500000, B500000}, {921600, B921600}, {1000000, B1000000},
};

void record_failure(const std::string& what) {
    const int err = errno;
    std::string text = what + ": " + std::strerror(err);
    if (err == EACCES || err == EPERM) {
        text += " (the user needs to be in group dialout)";
    } else if (err == EBUSY) {
        text += " (another program has the port open)";
    }
    record_system_error(text);
}

long elapsed_ms(std::int64_t since) {
    return static_cast<long>((counter_now() - since) * 1000 / counter_frequency());
}

class termios_port final : public serial_port {
  public:
    termios_port(int descriptor, std::string port_path)
        : fd(descriptor), path(std::move(port_path)) {}
    ~termios_port() override { close(fd); }

    bool write(const std::uint8_t* data, std::size_t len) override {
        while (len > 0) {
            const ssize_t done = ::write(fd, data, len);
            if (done < 0 && errno == EINTR) {
                continue;
            }
            if (done < 0) {
                record_failure("can't write to " + path);
                return false;
            }
            data += done;
            len -= static_cast<std::size_t>(done);
        }
        return true;
    }

    long read(std::uint8_t* data, std::size_t len, unsigned timeout_ms) override {
        const std::int64_t start = counter_now();
        std::size_t got = 0;
        while (got < len) {
            const long left = static_cast<long>(timeout_ms) - elapsed_ms(start);
            if (left <= 0) {
                break;
            }
            pollfd ready{fd, POLLIN, 0};
            const int n = poll(&ready, 1, static_cast<int>(left));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                record_failure("can't read from " + path);
                return -1;
            }
            if (n == 0) {
                break;
            }
            const ssize_t done = ::read(fd, data + got, len - got);
            if (done < 0 && (errno == EINTR || errno == EAGAIN)) {
                continue;
            }
            if (done <= 0) {
                // A USB serial device that went away reads as the end of the file.
                if (done == 0) {
                    errno = EIO;
                }
                record_failure("can't read from " + path);
                return -1;
            }
            got += static_cast<std::size_t>(done);
        }
        return static_cast<long>(got);
    }

    bool discard_input() override {
        if (tcflush(fd, TCIFLUSH) != 0) {
            record_failure("can't flush " + path);
            return false;
        }
        return true;
    }

    bool set_dtr_rts(bool active) override {
        int lines = TIOCM_DTR | TIOCM_RTS;
        if (ioctl(fd, active ? TIOCMBIS : TIOCMBIC, &lines) != 0) {
            record_failure("can't set DTR and RTS of " + path);
            return false;
        }
        return true;
    }

  private:
    int fd;
    std::string path;
};

} // namespace

std::unique_ptr<serial_port> open_serial_port(const std::string& path, unsigned baud) {
    speed_t speed = 0;
    bool known = false;
    for (const baud_code& entry : baud_codes) {
        if (entry.baud == baud) {
            speed = entry.code;
            known = true;
        }
    }
    if (!known) {
        record_system_error("can't set " + std::to_string(baud) + " baud on " + path);
        return nullptr;
    }
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        record_failure("can't open " + path);
        return nullptr;
    }
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        record_failure("can't set up " + path);
        close(fd);
        return nullptr;
    }
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD | HUPCL;
    settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | CRTSCTS);
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (cfsetispeed(&settings, speed) != 0 || cfsetospeed(&settings, speed) != 0 ||
        tcsetattr(fd, TCSANOW, &settings) != 0) {
        record_failure("can't set up " + path);
        close(fd);
        return nullptr;
    }
    return std::make_unique<termios_port>(fd, path);
}

} // namespace platform
