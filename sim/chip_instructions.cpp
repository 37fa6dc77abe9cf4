// Instruction decoding of the virtual chip: signature, memories, fuses, lock, erase, polling.
#include "sim/chip_instructions.h"

#include <algorithm>
#include <limits>

#include "quarnel/devices/device_info.h"
#include "sim/chip_fuses.h"

namespace avrsim {

using quarnel::DEV_LOCKED_WRITE_OK;
using quarnel::DEV_NO_ECHO;

namespace {

constexpr std::int32_t extended_flash = 0x20000; // larger flash needs Load Extended Address

// Chips without page mode are the old generation: they lose step after every reset
// entry and show a locked chip's signature as 0x000102.
bool old_generation(const ChipState& chip) {
    return chip.info().flash_page == 0;
}

// Instructions that only read; they change nothing, so nothing of them is lost.
bool reads_only(std::uint8_t first) {
    switch (first) {
    case 0x20:
    case 0x28:
    case 0x30:
    case 0x38:
    case 0x50:
    case 0x58:
    case 0xA0:
    case 0xF0:
        return true;
    default:
        return false;
    }
}

} // namespace

InstructionUnit::InstructionUnit(ChipState& chip, const ChipSettings& settings)
    : chip_(chip), settings_(settings),
      page_buffer_(static_cast<std::size_t>(chip.info().flash_page), 0xFF) {}

void InstructionUnit::enter_reset() {
    enabled_ = false;
    awaiting_reset_ = false;
    extended_address_ = 0;
    std::fill(page_buffer_.begin(), page_buffer_.end(), 0xFF);
}

std::uint8_t InstructionUnit::next_reply(int received, const std::uint8_t* bytes, double now_us) {
    constexpr std::uint8_t released = 0xFF; // MISO not driven: the line reads high
    if (received == 2 && bytes[0] == 0xAC && bytes[1] == 0x53 && !awaiting_reset_) {
        // Programming enable is recognised only where the chip's framing puts it.
        enabled_ = true;
        return (chip_.info().flags & DEV_NO_ECHO) ? released : 0x53;
    }
    if (!enabled_ || received == 4) {
        return released;
    }
    if (received == 3) {
        bool answered = false;
        const std::uint8_t result = read_result(bytes, now_us, answered);
        if (answered) {
            return result;
        }
    }
    return bytes[received - 1];
}

std::size_t InstructionUnit::flash_index(const std::uint8_t* bytes) const {
    const std::uint32_t word =
        (std::uint32_t(extended_address_) << 16) | (bytes[1] << 8) | bytes[2];
    const std::uint32_t byte = word * 2 + ((bytes[0] & 0x08) ? 1 : 0);
    return byte % chip_.flash.size();
}

std::uint8_t InstructionUnit::read_while_busy(const std::uint8_t* bytes, double now_us,
                                              bool& answered) const {
    const DeviceInfo& info = chip_.info();
    const double progress = (now_us - busy_start_) / std::max(1.0, busy_until_ - busy_start_);
    if (bytes[0] == 0xF0 && has_ready_busy(info)) {
        answered = true;
        return 0x01;
    }
    if ((bytes[0] == 0x20 || bytes[0] == 0x28) && busy_kind_ == busy_kind::flash) {
        answered = true;
        return busy_read_value(info.flash_poll, progress);
    }
    if (bytes[0] == 0xA0 && busy_kind_ == busy_kind::eeprom) {
        answered = true;
        return busy_read_value(info.eeprom_poll, progress);
    }
    return 0;
}

std::uint8_t InstructionUnit::read_result(const std::uint8_t* bytes, double now_us,
                                          bool& answered) const {
    if (busy(now_us)) {
        return read_while_busy(bytes, now_us, answered);
    }
    const DeviceInfo& info = chip_.info();
    const bool hidden = lock_level(chip_) == 2;
    answered = true;
    switch (bytes[0]) {
    case 0x30: {
        const int index = bytes[2] & 3;
        if (index == 3) {
            return 0xFF;
        }
        if (hidden && old_generation(chip_)) {
            return std::uint8_t(index);
        }
        return std::uint8_t(info.signature >> (16 - 8 * index));
    }
    case 0x38:
        if (info.osccal_count == 0) {
            break;
        }
        return bytes[2] < info.osccal_count && bytes[2] < 4 ? chip_.calibration[bytes[2]] : 0xFF;
    case 0x20:
    case 0x28:
        return hidden ? 0xFF : chip_.flash[flash_index(bytes)];
    case 0xA0:
        if (chip_.eeprom.empty()) {
            break;
        }
        return hidden ? 0xFF : chip_.eeprom[((bytes[1] << 8) | bytes[2]) % chip_.eeprom.size()];
    case 0x58:
        if (info.fuse_format == 3 && (bytes[1] & 0x08)) {
            return chip_.fuses[2];
        }
        if (info.lock_format == 0) {
            break;
        }
        return lock_read_reply(chip_);
    case 0x50:
        if (info.fuse_format == 3) {
            return chip_.fuses[(bytes[1] & 0x08) ? 3 : 1];
        }
        if (info.fuse_format == 2) {
            return chip_.fuses[1];
        }
        break;
    case 0xF0:
        if (has_ready_busy(info)) {
            return 0x00;
        }
        break;
    default:
        break;
    }
    answered = false;
    return 0;
}

bool InstructionUnit::writes_locked() const {
    return lock_level(chip_) >= 1;
}

void InstructionUnit::report(chip_part part, std::size_t start, std::size_t count) const {
    if (store_ != nullptr) {
        store_->changed(part, start, count);
    }
}

void InstructionUnit::report_write() const {
    if (store_ != nullptr) {
        store_->write_carried_out();
    }
}

void InstructionUnit::remember(std::vector<std::uint8_t>& memory, std::size_t start,
                               std::size_t count) {
    written_memory_ = &memory;
    written_start_ = start;
    old_contents_.assign(memory.begin() + std::ptrdiff_t(start),
                         memory.begin() + std::ptrdiff_t(start + count));
}

void InstructionUnit::power_lost(double now_us) {
    if (busy(now_us) && written_memory_ != nullptr) {
        std::copy(old_contents_.begin(), old_contents_.end(),
                  written_memory_->begin() + std::ptrdiff_t(written_start_));
        report(written_memory_ == &chip_.flash ? chip_part::flash : chip_part::eeprom,
               written_start_, old_contents_.size());
    }
    written_memory_ = nullptr;
    busy_kind_ = busy_kind::none;
    busy_until_ = 0.0;
}

void InstructionUnit::start_busy(busy_kind kind, double now_us) {
    busy_kind_ = kind;
    busy_start_ = now_us;
    const bool endless =
        settings_.writes_never_finish && (kind == busy_kind::flash || kind == busy_kind::eeprom);
    busy_until_ = endless ? std::numeric_limits<double>::infinity()
                          : now_us + busy_time_us(chip_.info(), kind) * settings_.busy_scale;
}

void InstructionUnit::write_fuse(int index, std::uint8_t value, double now_us) {
    const bool allowed = !writes_locked() || (chip_.info().flags & DEV_LOCKED_WRITE_OK);
    if (allowed && !settings_.ignore_fuse_writes) {
        write_fuse_byte(chip_, index, value);
        report(chip_part::fuses, std::size_t(index), 1);
    }
    start_busy(busy_kind::fuse, now_us);
    report_write();
}

void InstructionUnit::execute_ac(const std::uint8_t* bytes, double now_us) {
    const DeviceInfo& info = chip_.info();
    const std::uint8_t group = bytes[1] & 0xE0;
    if (group == 0x80) {
        std::fill(chip_.flash.begin(), chip_.flash.end(), 0xFF);
        report(chip_part::flash, 0, chip_.flash.size());
        if (!eeprom_saved_on_erase(chip_)) {
            std::fill(chip_.eeprom.begin(), chip_.eeprom.end(), 0xFF);
            report(chip_part::eeprom, 0, chip_.eeprom.size());
        }
        release_lock_bits(chip_);
        report(chip_part::fuses, 0, 1);
        start_busy(busy_kind::erase, now_us);
        report_write();
        if (old_generation(chip_)) {
            enabled_ = false;
            awaiting_reset_ = true;
        }
    } else if (group == 0xE0) {
        if (info.lock_format == 3) {
            program_lock_byte(chip_, bytes[3]);
        } else {
            program_old_lock_bits(chip_, bytes[1]);
        }
        report(chip_part::fuses, 0, 1);
        start_busy(busy_kind::fuse, now_us);
        report_write();
    } else if (info.fuse_format == 3) {
        if (bytes[1] == 0xA0) {
            write_fuse(1, bytes[3], now_us);
        } else if (bytes[1] == 0xA8) {
            write_fuse(2, bytes[3], now_us);
        } else if (bytes[1] == 0xA4) {
            write_fuse(3, bytes[3], now_us);
        }
    } else if (info.fuse_format != 0 && group == 0xA0) {
        write_fuse(1, bytes[1], now_us);
    }
}

void InstructionUnit::write_page(const std::uint8_t* bytes, double now_us) {
    const std::size_t page = page_buffer_.size();
    const std::size_t start = flash_index(bytes) & ~(page - 1);
    if (!writes_locked()) {
        remember(chip_.flash, start, page);
        for (std::size_t offset = 0; offset < page; ++offset) {
            chip_.flash[start + offset] &= page_buffer_[offset];
        }
        report(chip_part::flash, start, page);
    }
    std::fill(page_buffer_.begin(), page_buffer_.end(), 0xFF);
    start_busy(busy_kind::flash, now_us);
    report_write();
}

void InstructionUnit::execute(const std::uint8_t* bytes, double now_us) {
    ++executed_;
    if (!enabled_ || (bytes[0] == 0xAC && bytes[1] == 0x53)) {
        return;
    }
    if (busy(now_us)) {
        if (!reads_only(bytes[0])) {
            ++lost_;
        }
        return;
    }
    written_memory_ = nullptr; // the last write has ended
    const DeviceInfo& info = chip_.info();
    switch (bytes[0]) {
    case 0xAC:
        execute_ac(bytes, now_us);
        break;
    case 0x40:
    case 0x48:
        if (!page_buffer_.empty()) {
            // Only the word offset within the page counts.
            const std::size_t words = page_buffer_.size() / 2;
            const std::size_t offset = (bytes[2] & (words - 1)) * 2 + (bytes[0] == 0x48 ? 1 : 0);
            page_buffer_[offset] = bytes[3];
        } else if (!writes_locked()) {
            remember(chip_.flash, flash_index(bytes), 1);
            chip_.flash[flash_index(bytes)] &= bytes[3];
            report(chip_part::flash, flash_index(bytes), 1);
            start_busy(busy_kind::flash, now_us);
            report_write();
        }
        break;
    case 0x4C:
        if (!page_buffer_.empty()) {
            write_page(bytes, now_us);
        }
        break;
    case 0x4D:
        if (info.flash_size > extended_flash) {
            extended_address_ = bytes[2];
        }
        break;
    case 0xC0:
        if (!chip_.eeprom.empty() && !writes_locked()) {
            const std::size_t address = ((bytes[1] << 8) | bytes[2]) % chip_.eeprom.size();
            remember(chip_.eeprom, address, 1);
            chip_.eeprom[address] = bytes[3];
            report(chip_part::eeprom, address, 1);
            start_busy(busy_kind::eeprom, now_us);
            report_write();
        }
        break;
    default:
        break;
    }
}

} // namespace avrsim
