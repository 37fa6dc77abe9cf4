// Register-level access to one PC parallel port: ppdev, direct port I/O, and the choice
// between the host's interfaces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// Register offsets from the port's base address.
inline constexpr unsigned PORT_DATA = 0;
inline constexpr unsigned PORT_STATUS = 1;
inline constexpr unsigned PORT_CONTROL = 2;

// Control register bit that turns the data lines into inputs (high impedance).
inline constexpr std::uint8_t CONTROL_DATA_INPUT = 0x20;

// One parallel port, claimed for this process until the object is destroyed.
// Registers hold raw bits: the hardware inversions (BUSY, STROBE, ALF,
// SELECT) are left to the caller.
class parallel_port {
  public:
    virtual ~parallel_port() = default;

    // Reads the register at base + offset.
    virtual std::uint8_t read_register(unsigned offset) = 0;
    // Writes the register at base + offset. The status register is read-only
    // on a PC port; writing it is ignored.
    virtual void write_register(unsigned offset, std::uint8_t value) = 0;
    // Writes the bytes one after the other to the data register, as fast as
    // the interface allows.
    virtual void write_data_block(const std::uint8_t* data, std::size_t len) = 0;
};

// Opens a ppdev device ("/dev/parport0") and claims the port. Only the control
// bits that ppdev can really read back are reported by read_register: bits 0-3
// from the kernel's copy, and the data-direction bit when the port can
// tristate its data lines; the interrupt-enable bit always reads 0.
// Returns nullptr on failure with the device and the reason recorded
// (system_error.h).
std::unique_ptr<parallel_port> open_ppdev_port(const std::string& device);

// Direct port I/O at `base` (x86 only; needs CAP_SYS_RAWIO and no kernel
// lockdown). Returns nullptr on failure with the reason recorded.
std::unique_ptr<parallel_port> open_direct_port(std::uint32_t base);

// How this host reaches a port when no library is named for it.
struct port_route {
    enum class kind { ppdev, direct, dlportio };
    kind how = kind::direct;
    std::string name; // the ppdev device, or the file name of the DLPortIO library
};

// Linux: port number n is /dev/parport<n-1>; a base address is the ppdev device whose base
// matches, else direct port I/O. Windows: direct port I/O where the system lets programs
// use the port instructions (the 95/98/Me family), else the DLPortIO driver through
// "DLportIO.dll".
port_route route_port(std::optional<unsigned> number, std::uint32_t base);

// The port at `base` for a program linked against the DLPortIO functions on Windows (the
// dlportio_linked target): through those functions there, and as route_port() says on
// other hosts. nullptr on failure with the reason recorded.
std::unique_ptr<parallel_port> open_system_port(std::uint32_t base);

// "/dev/parport<number>".
std::string ppdev_device_name(unsigned number);

// The ppdev device whose base address (decimal, first number of
// <proc_dir>/parportN/base-addr) equals `base`, or nothing.
std::optional<std::string>
ppdev_device_for_base(std::uint32_t base, const std::string& proc_dir = "/proc/sys/dev/parport");

} // namespace platform
