// Target-file settings of the virtual FTDI bench: the devices plugged in, which one holds the
// target and how, injected USB faults, statistics and the time model.
#pragma once

#include "sim/ftd2xx/chip_wiring.h"
#include "sim/ftd2xx/mpsse_engine.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace avrsim {

struct ftdi_device_entry {
    std::uint32_t type = 6; // D2XX type code
    std::string serial_number;
    std::string description;
    bool opened_elsewhere = false;
    std::uint32_t usb_id = 0; // vendor << 16 | product; 0: the bench's IDs
};

enum class usb_fault { none, missing, short_read, io_error };

struct ftdi_bench_config {
    // The chip family of the default device list: "ft2232c" (also "ft2232d"), "ft2232h",
    // "ft4232h", "ft232h", "ft232r", "ft230x" or "ft231x".
    std::uint32_t chip_type = 6;
    // The description of a single-channel chip of the default list; empty: the family's own.
    std::string chip_description;
    // Explicit device list; empty: every channel of one chip of `chip_type`.
    std::vector<ftdi_device_entry> devices;
    // Index in the device list of the channel the target is wired to.
    int target_device = 0;
    // ftdi_wiring: changes to the default wiring of the device, as written.
    std::string wiring_text;
    usb_fault fault = usb_fault::none;
    // The fault hits from this read or write call on (counted from 1, reads and writes apart).
    long fault_after = 1;
    std::string stats_file;
    bool real_time = false;
    // USB IDs of every device without IDs of its own, vendor << 16 | product; 0: FTDI's own
    // IDs of each chip type.
    std::uint32_t usb_id = 0;

    // The devices the bench shows: `devices`, or the default list.
    std::vector<ftdi_device_entry> device_list() const;
    // The USB IDs of `device`: its own, `usb_id`, or FTDI's (0x0403 with 0x6010, 0x6011...).
    std::uint32_t usb_id_of(const ftdi_device_entry& device) const;
    // How the target is wired to a device of `type`: the MPSSE lines, or on the FT232R and
    // X series the bit-bang adapters' lines (SCK on TXD, MISO on RXD, MOSI on RTS, RESET on
    // DTR), changed by `wiring_text`.
    target_lines wiring_of(std::uint32_t type) const;
};

// Whether `usb_id` is one of FTDI's own, which D2XX finds without FT_SetVIDPID and libftdi
// when asked for vendor and product 0.
bool is_ftdi_usb_id(std::uint32_t usb_id);

// Applies one target-file key. Returns false when the key is not an FTDI bench key; on a bad
// value returns true and sets `error`.
bool apply_ftdi_key(ftdi_bench_config& config, std::string_view key, std::string_view value,
                    std::string& error);

// The MPSSE engine variant of a D2XX type code.
mpsse_chip mpsse_chip_of(std::uint32_t type);

} // namespace avrsim
