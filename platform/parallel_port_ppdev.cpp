// Parallel port through the Linux ppdev driver (/dev/parportN).
#include "platform/parallel_port.h"

#include "platform/system_error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {
namespace {

void record_failure(const std::string& what, const std::string& device) {
    const int err = errno;
    std::string text = what + " " + device + ": " + std::strerror(err);
    if (err == EACCES || err == EPERM) {
        text += " (the user needs to be in group lp, or to own the device)";
    } else if (err == ENOENT || err == ENODEV || err == ENXIO) {
        text += " (no such port: are the parport, parport_pc and ppdev modules loaded?)";
    }
    record_system_error(text);
}

class ppdev_port final : public parallel_port {
  public:
    ppdev_port(int device, bool tristate) : fd(device), can_tristate(tristate) {}

    // The data direction is left as it is: an adapter that parks its lines
    // at high impedance relies on it.
    ~ppdev_port() override {
        ioctl(fd, PPRELEASE);
        close(fd);
    }

    std::uint8_t read_register(unsigned offset) override {
        unsigned char value = 0xFF;
        switch (offset) {
        case PORT_DATA:
            ioctl(fd, PPRDATA, &value);
            return value;
        case PORT_STATUS:
            ioctl(fd, PPRSTATUS, &value);
            return value;
        case PORT_CONTROL:
            // The kernel returns its copy of bits 0-3 only.
            ioctl(fd, PPRCONTROL, &value);
            value &= 0x0F;
            if (reversed && can_tristate) {
                value |= CONTROL_DATA_INPUT;
            }
            return value;
        default:
            return 0xFF;
        }
    }

    void write_register(unsigned offset, std::uint8_t value) override {
        unsigned char byte = value;
        switch (offset) {
        case PORT_DATA:
            ioctl(fd, PPWDATA, &byte);
            break;
        case PORT_CONTROL: {
            byte &= 0x0F;
            ioctl(fd, PPWCONTROL, &byte);
            // PPWCONTROL never switches the data lines back to output, so
            // the direction goes through its own request.
            const bool want_input = (value & CONTROL_DATA_INPUT) != 0;
            if (want_input != reversed) {
                int direction = want_input ? 1 : 0;
                ioctl(fd, PPDATADIR, &direction);
                reversed = want_input;
            }
            break;
        }
        default:
            break;
        }
    }

    void write_data_block(const std::uint8_t* data, std::size_t len) override {
        for (std::size_t i = 0; i < len; ++i) {
            unsigned char byte = data[i];
            ioctl(fd, PPWDATA, &byte);
        }
    }

  private:
    int fd;
    bool can_tristate;
    bool reversed = false;
};

} // namespace

std::unique_ptr<parallel_port> open_ppdev_port(const std::string& device) {
    const int fd = open(device.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        record_failure("can't open", device);
        return nullptr;
    }
    // Every register request needs the port claimed first.
    if (ioctl(fd, PPCLAIM) != 0) {
        record_failure("can't claim", device);
        close(fd);
        return nullptr;
    }
    unsigned int modes = 0;
    if (ioctl(fd, PPGETMODES, &modes) != 0) {
        modes = 0;
    }
    int forward = 0;
    ioctl(fd, PPDATADIR, &forward);
    return std::make_unique<ppdev_port>(fd, (modes & PARPORT_MODE_TRISTATE) != 0);
}

std::string ppdev_device_name(unsigned number) {
    return "/dev/parport" + std::to_string(number);
}

} // namespace platform
