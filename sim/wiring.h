// How an adapter connects the parallel port's lines to the chip and to its detection loop-backs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace avrsim {

// A signal on port lines, as register-level masks over the 24-bit port image (bits 0-7
// data, 8-15 status, 16-23 control): a line in `normal` is 1 in its register when the
// signal is high at the chip side, a line in `inverted` is 0 then.
struct PortLines {
    std::uint32_t normal = 0;
    std::uint32_t inverted = 0;

    bool present() const { return (normal | inverted) != 0; }
    // Level of the signal given the port image; several lines must all agree.
    bool level(std::uint32_t image) const;
};

// A status input tied to a data line or to a fixed level, so that software can find the
// adapter.
struct LoopBack {
    int status_bit;   // 3 ERROR, 4 ONLINE, 5 PE, 6 ACK, 7 BUSY
    int data_bit;     // source data line, or -1 for a fixed level
    bool fixed_level; // pin level when data_bit is -1
};

struct Wiring {
    std::string name;
    bool attached = true; // false: nothing on the port
    PortLines mosi, miso, sck, reset, xtal, power, enable;
    std::vector<LoopBack> loop_backs;
};

// The wiring named by an `adapter` value: kelma, stk200, stk300, byteblaster,
// byteblastermv, byteblaster2, xilinx, dorvik, none, or "map:" followed by pin-map entries
// separated by colons (mosi=D5:miso=ACK:sck=D6:reset=D4...). Throws std::runtime_error
// with the reason when the value is not valid.
Wiring wiring_for(const std::string& adapter);

} // namespace avrsim
