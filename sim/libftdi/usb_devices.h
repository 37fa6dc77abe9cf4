// The bench's FTDI channels as libusb shows them: one USB device per chip, with an interface
// per channel. D2XX names channel B of "Dual RS232-HS" serial "AVRSIM01" as "Dual RS232-HS B",
// "AVRSIM01B"; channels named that way are gathered back into their chip, any other channel
// is a chip of its own with the channel on interface A.
#pragma once

#include "sim/ftd2xx/ftdi_bench.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace avrsim {

struct usb_chip {
    std::uint32_t type = 6; // D2XX type code
    std::uint32_t usb_id = 0;
    std::string product;
    std::string serial_number;
    // Channel A to D; null where the chip has none (or the bench lists none).
    std::array<ftdi_channel*, 4> interfaces{};
};

std::vector<std::unique_ptr<usb_chip>> usb_chips_of(ftdi_bench& bench);

} // namespace avrsim
