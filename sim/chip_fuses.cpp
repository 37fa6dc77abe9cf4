// Fuse and lock bytes of the virtual chip, by catalogue lock and fuse format.
#include "sim/chip_fuses.h"

#include <cstring>

#include "quarnel/devices/device_info.h"
#include "quarnel/devices/fuse_layout.h"
#include "sim/chip_state.h"

namespace avrsim {

using quarnel::defined_mask;
using quarnel::FuseField;
using quarnel::FuseLayout;

namespace {

constexpr std::uint8_t lock_bits = 0x03; // LB2, LB1

const FuseField* field_list(const ChipState& chip, int index) {
    const FuseLayout* layout = chip.info().fuse_layout;
    return layout ? layout->bytes[index] : nullptr;
}

} // namespace

std::uint8_t existing_fuse_bits(const ChipState& chip, int index) {
    const DeviceInfo& info = chip.info();
    if (index == 0) {
        return info.lock_format == 3 ? std::uint8_t(lock_bits | defined_mask(field_list(chip, 0)))
                                     : lock_bits;
    }
    if (info.fuse_format == 0 || (info.fuse_format != 3 && index != 1)) {
        return 0;
    }
    return defined_mask(field_list(chip, index));
}

int lock_level(const ChipState& chip) {
    static constexpr int level_of[4] = {2, 2, 1, 0};
    return level_of[chip.fuses[0] & lock_bits];
}

bool eeprom_saved_on_erase(const ChipState& chip) {
    for (int index = 0; index < 4; ++index) {
        const FuseField* field = field_list(chip, index);
        for (; field && field->fuse; ++field) {
            if (std::strcmp(field->fuse->name, "EESAVE") == 0) {
                return (chip.fuses[index] & field->mask()) == 0;
            }
        }
    }
    return false;
}

std::uint8_t lock_read_reply(const ChipState& chip) {
    const DeviceInfo& info = chip.info();
    const std::uint8_t lb1 = chip.fuses[0] & 1;
    const std::uint8_t lb2 = (chip.fuses[0] >> 1) & 1;
    switch (info.lock_format) {
    case 1: {
        // LB1 in bit 7, LB2 in bit 6, the single fuse bit in bit 0.
        std::uint8_t reply = std::uint8_t(0x3E | (lb1 << 7) | (lb2 << 6));
        if (info.fuse_format == 1) {
            reply = std::uint8_t((reply & ~1) | (chip.fuses[1] & 1));
        }
        return reply;
    }
    case 2:
        return std::uint8_t(0xF9 | (lb2 << 2) | (lb1 << 1));
    default:
        return chip.fuses[0];
    }
}

void program_lock_byte(ChipState& chip, std::uint8_t value) {
    chip.fuses[0] &= std::uint8_t(value | ~existing_fuse_bits(chip, 0));
}

void release_lock_bits(ChipState& chip) {
    chip.fuses[0] |= existing_fuse_bits(chip, 0);
}

void program_old_lock_bits(ChipState& chip, std::uint8_t second_byte) {
    const std::uint8_t bits =
        std::uint8_t(((second_byte >> 1) & 1) | (((second_byte >> 2) & 1) << 1));
    program_lock_byte(chip, std::uint8_t(0xFC | bits));
}

void write_fuse_byte(ChipState& chip, int index, std::uint8_t value) {
    const std::uint8_t existing = existing_fuse_bits(chip, index);
    chip.fuses[index] = std::uint8_t((value & existing) | (chip.fuses[index] & ~existing));
}

} // namespace avrsim
