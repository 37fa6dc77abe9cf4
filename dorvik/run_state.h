// The program-wide state of one dorvik run and the memory images it works on.
#pragma once

#include "dorvik/options.h"
#include "dorvik/port_access.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dorvik {

struct RunState {
    std::uint32_t lpt_base = 0;        // data register; the status register is at lpt_base + 1
    std::string device_name;           // argument 1, at most DEVICE_NAME_MAX characters
    std::uint32_t flash_size = 0;      // bytes
    std::uint32_t eeprom_size = 0;     // bytes
    std::uint32_t page_mask = 0;       // flash page size in words, minus one
    bool has_ext_fuse = false;         // the device has an extended fuse byte
    std::uint32_t serial_address = 0;  // flash byte address of the serial number
    std::int32_t serial_length = 0;    // bytes
    std::uint32_t serial_value = 0;    // serial number of this run, 0 when none was set
    Options options;                   // the command line, read once at the start
    std::unique_ptr<PortBackend> port; // the adapter's parallel port, once opened
    unsigned echo_failures = 0;        // instructions whose echo check failed
};

// The one run state of the program.
extern RunState state;

using Image = std::vector<std::uint8_t>;

// A memory image of `size` bytes, every byte 0xFF (the erased value). Prints
// "  Error allocate memory.\n" and yields nothing when memory is short.
std::optional<Image> alloc_image(std::size_t size);

} // namespace dorvik
