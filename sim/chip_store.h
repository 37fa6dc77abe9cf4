// Where a virtual chip's writes go the moment it makes them, as flash and EEPROM cells keep them.
#pragma once

#include <cstddef>

namespace avrsim {

// The non-volatile parts of a chip a write instruction changes.
enum class chip_part {
    flash,
    eeprom,
    fuses, // index 0 the lock byte, 1 to 3 the low, high and extended fuse bytes
};

// Told of each change to a chip's non-volatile contents when the chip makes it, so that a
// program that dies at any moment leaves the chip as silicon would be then.
class ChipStore {
  public:
    // `count` bytes of `part` from `start` have new contents.
    virtual void changed(chip_part part, std::size_t start, std::size_t count) = 0;
    // A write instruction (page, byte, chip erase, fuse or lock) has been carried out and its
    // changes reported.
    virtual void write_carried_out() = 0;

  protected:
    ~ChipStore() = default;
};

} // namespace avrsim
