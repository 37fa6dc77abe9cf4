// Parallel port through the processor's port instructions (x86 Linux).
#include "platform/parallel_port.h"

#include "platform/system_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define HAVE_PORT_IO 1
#endif

namespace platform {

#ifdef HAVE_PORT_IO
namespace {

// Text of the kernel lockdown state when it forbids port I/O, else empty.
std::string lockdown_state() {
    std::FILE* f = std::fopen("/sys/kernel/security/lockdown", "r");
    if (f == nullptr) {
        return {};
    }
    char line[128] = {};
    const bool got = std::fgets(line, sizeof line, f) != nullptr;
    std::fclose(f);
    if (!got || std::strstr(line, "[none]") != nullptr) {
        return {};
    }
    return line;
}

class direct_port final : public parallel_port {
  public:
    explicit direct_port(std::uint16_t address) : base(address) {}

    ~direct_port() override { ioperm(base, 3, 0); }

    std::uint8_t read_register(unsigned offset) override {
        return inb(static_cast<unsigned short>(base + offset));
    }

    void write_register(unsigned offset, std::uint8_t value) override {
        if (offset != PORT_STATUS) {
            // glibc takes the value first, then the port.
            outb(value, static_cast<unsigned short>(base + offset));
        }
    }

    void write_data_block(const std::uint8_t* data, std::size_t len) override {
        if (len != 0) {
            outsb(base, data, len);
        }
    }

  private:
    std::uint16_t base;
};

} // namespace

std::unique_ptr<parallel_port> open_direct_port(std::uint32_t base) {
    char where[32];
    std::snprintf(where, sizeof where, "0x%X", static_cast<unsigned>(base));
    if (base > 0xFFFD) {
        record_system_error(std::string("no I/O port range at ") + where);
        return nullptr;
    }
    if (ioperm(base, 3, 1) != 0) {
        std::string text = std::string("no I/O permission for ports at ") + where + ": " +
                           std::strerror(errno) + " (direct port I/O needs root or CAP_SYS_RAWIO";
        const std::string lockdown = lockdown_state();
        if (!lockdown.empty()) {
            text += ", but kernel lockdown is on and forbids it";
        } else {
            text += ", and works only without kernel lockdown";
        }
        text += "; or use the port's /dev/parport device)";
        record_system_error(text);
        return nullptr;
    }
    return std::make_unique<direct_port>(static_cast<std::uint16_t>(base));
}

#else

std::unique_ptr<parallel_port> open_direct_port(std::uint32_t) {
    record_system_error("direct port I/O is not available on this processor");
    return nullptr;
}

#endif

} // namespace platform
