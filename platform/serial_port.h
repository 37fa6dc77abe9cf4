// A serial port in raw 8N1: what a programmer with firmware of its own on a UART (a board with
// a USB serial bridge, a USB CDC device) is driven through.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class serial_port {
  public:
    virtual ~serial_port() = default;
    // Writes all `len` bytes; false with the system's reason recorded.
    virtual bool write(const std::uint8_t* data, std::size_t len) = 0;
    // Reads until `len` bytes came or `timeout_ms` passed: the count read, or -1 with the
    // system's reason recorded.
    virtual long read(std::uint8_t* data, std::size_t len, unsigned timeout_ms) = 0;
    // Drops what has arrived and not been read yet.
    virtual bool discard_input() = 0;
    // Drives DTR and RTS both active (true) or inactive: the reset line of most boards. False
    // where the port has no modem lines (a pseudo-terminal), the reason recorded.
    virtual bool set_dtr_rts(bool active) = 0;
};

// Opens `path` (/dev/ttyACM0; COM3 or \\.\COM3 on Windows) at `baud`, raw 8N1 without flow
// control, DTR and RTS active; nullptr with the reason recorded, the port named. Bauds the
// host cannot set are refused the same way.
std::unique_ptr<serial_port> open_serial_port(const std::string& path, unsigned baud);

} // namespace platform
