// Loading the stand-in port library and bit-banging SPI over it.
#include "tests/sim/port_driver.h"

#include <cstdlib>
#include <stdexcept>

#include "platform/shared_library.h"

PortLibrary::PortLibrary(const std::string& library, const std::string& target) {
    ::setenv("AVRSIM_TARGET", target.c_str(), 1);
    handle_ = platform::shared_library(library.c_str());
    if (!handle_.loaded()) {
        throw std::runtime_error("can't load " + library);
    }
    read_ = handle_.function<unsigned char (*)(std::uint32_t)>("DlPortReadPortUchar");
    write_ = handle_.function<void (*)(std::uint32_t, unsigned char)>("DlPortWritePortUchar");
    buffer_ = handle_.function<void (*)(std::uint32_t, unsigned char*, std::uint32_t)>(
        "DlPortWritePortBufferUchar");
    if (read_ == nullptr || write_ == nullptr) {
        throw std::runtime_error("port functions missing in " + library);
    }
}

void PortLibrary::write_buffer(const std::uint8_t* bytes, std::uint32_t count) {
    buffer_(base, const_cast<unsigned char*>(bytes), count);
}

void BitBang::put(std::uint8_t level) {
    if (xtal) {
        xtal_high = !xtal_high;
        level = std::uint8_t(xtal_high ? level | xtal : level & ~xtal);
    }
    port.write(0, level);
}

void BitBang::hold_reset(bool asserted) {
    put(std::uint8_t(extra | (asserted ? 0 : reset)));
}

std::uint8_t BitBang::transfer(std::uint8_t out) {
    std::uint8_t in = 0;
    for (int bit = 7; bit >= 0; --bit) {
        const std::uint8_t level = std::uint8_t(extra | (((out >> bit) & 1) ? mosi : 0));
        for (int i = 0; i < writes_per_phase; ++i) {
            put(level);
        }
        for (int i = 0; i < writes_per_phase; ++i) {
            put(std::uint8_t(level | sck));
        }
        const bool line = (port.read(1) & miso_status) != 0;
        in = std::uint8_t((in << 1) | (line != miso_inverted ? 1 : 0));
    }
    put(extra);
    return in;
}

void BitBang::instruction(std::uint8_t* bytes) {
    for (int i = 0; i < 4; ++i) {
        bytes[i] = transfer(bytes[i]);
    }
}
