// Drives the stand-in DLPortIO library through its exported functions, as a programmer would.
#pragma once

#include "platform/shared_library.h"

#include <cstdint>
#include <string>

// Loads the library with AVRSIM_TARGET set to `target`; unloading saves the target.
class PortLibrary {
  public:
    PortLibrary(const std::string& library, const std::string& target);
    PortLibrary(const PortLibrary&) = delete;
    PortLibrary& operator=(const PortLibrary&) = delete;

    void write(int offset, std::uint8_t value) { write_(base + offset, value); }
    std::uint8_t read(int offset) { return read_(base + offset); }
    bool has_buffer_write() const { return buffer_ != nullptr; }
    void write_buffer(const std::uint8_t* bytes, std::uint32_t count);

    static constexpr std::uint32_t base = 0x378;

  private:
    platform::shared_library handle_;
    unsigned char (*read_)(std::uint32_t) = nullptr;
    void (*write_)(std::uint32_t, unsigned char) = nullptr;
    void (*buffer_)(std::uint32_t, unsigned char*, std::uint32_t) = nullptr;
};

// Bit-banged SPI on data-register lines with MISO on a status bit.
struct BitBang {
    PortLibrary& port;
    std::uint8_t mosi, sck, reset; // data-register masks; reset line high = chip running
    std::uint8_t miso_status;      // status-register mask
    bool miso_inverted = false;    // the port inverts the line (BUSY)
    std::uint8_t extra = 0;        // lines held high throughout (enables)
    int writes_per_phase = 3;      // 1.25 us a write; a 1 MHz chip needs 2 us phases
    std::uint8_t xtal = 0;         // data line toggled on every write (target clock)
    bool xtal_high = false;

    void put(std::uint8_t level);
    void hold_reset(bool asserted);
    std::uint8_t transfer(std::uint8_t out);
    // Four bytes out, the four replies back in the same array.
    void instruction(std::uint8_t* bytes);
};
