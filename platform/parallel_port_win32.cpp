// Parallel ports on Windows: the processor's port instructions (the 95/98/Me family), the
// choice by system version, and no ppdev.
#include "platform/parallel_port.h"

#include "platform/system_error.h"

#include <windows.h>

namespace platform {
namespace {

class direct_port final : public parallel_port {
  public:
    explicit direct_port(std::uint16_t address) : base(address) {}

    std::uint8_t read_register(unsigned offset) override {
        std::uint8_t value;
        const auto port = static_cast<std::uint16_t>(base + offset);
        asm volatile("inb %w1, %b0" : "=a"(value) : "Nd"(port));
        return value;
    }

    void write_register(unsigned offset, std::uint8_t value) override {
        if (offset != PORT_STATUS) {
            const auto port = static_cast<std::uint16_t>(base + offset);
            asm volatile("outb %b0, %w1" : : "a"(value), "Nd"(port));
        }
    }

    void write_data_block(const std::uint8_t* data, std::size_t len) override {
        asm volatile("rep outsb" : "+S"(data), "+c"(len) : "d"(base) : "memory");
    }

  private:
    std::uint16_t base;
};

// The top bit of GetVersion() marks the 95/98/Me family, where programs may use the port
// instructions; NT and its successors trap them.
bool port_instructions_allowed() {
    return (GetVersion() & 0x80000000u) != 0;
}

} // namespace

port_route route_port(std::optional<unsigned>, std::uint32_t) {
    if (port_instructions_allowed()) {
        return {port_route::kind::direct, {}};
    }
    return {port_route::kind::dlportio, "DLportIO.dll"};
}

std::unique_ptr<parallel_port> open_direct_port(std::uint32_t base) {
    if (base > 0xFFFD) {
        record_system_error("no I/O port range at this address");
        return nullptr;
    }
    if (!port_instructions_allowed()) {
        record_system_error("this Windows allows port instructions to drivers only; use DLPortIO");
        return nullptr;
    }
    return std::make_unique<direct_port>(static_cast<std::uint16_t>(base));
}

std::unique_ptr<parallel_port> open_ppdev_port(const std::string&) {
    record_system_error("ppdev ports are a Linux interface");
    return nullptr;
}

} // namespace platform
