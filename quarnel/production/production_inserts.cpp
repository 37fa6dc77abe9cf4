// OSCCAL, SERNO and BYTES inserts into the flash and EEPROM images.
#include "quarnel/production/production_inserts.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/isp/session.h"
#include "quarnel/production/production.h"

#include <algorithm>

namespace quarnel {

namespace {

const char* memory_name(insert_mode mode) {
    return memory_names[mode == INSERT_DATA ? SLOT_DATA : SLOT_CODE];
}

// The portion holding `address`, trying `last_found` first.
CodePortion* portion_at(PortionList& image, CodePortion* last_found, long address) {
    auto holds = [address](const CodePortion& p) {
        return address >= p.start && address <= p.last();
    };
    if (last_found != nullptr && holds(*last_found)) {
        return last_found;
    }
    return image.find_first(holds);
}

} // namespace

void check_destination(const IspSession& session, const char* keyword, insert_mode mode,
                       long address, long length) {
    const long size =
        mode == INSERT_DATA ? session.current_device().eeprom_size : usable_flash_size(session);
    const long needed = mode == INSERT_LDI ? 2 * length : length;
    if (size - needed < address) {
        console_log(0, "%s destination address too large\n", keyword);
        throw app_error(EXIT_ENVIRONMENT);
    }
}

void insert_bytes(PortionList& flash, PortionList& eeprom, const char* keyword, insert_mode mode,
                  long address, const std::uint8_t* bytes, std::size_t length) {
    PortionList& image = mode == INSERT_DATA ? eeprom : flash;
    if (image.empty()) {
        console_log(0, "No hex records for %s, can't insert %s\n",
                    mode == INSERT_DATA ? "EEPROM" : "FLASH", keyword);
        throw app_error(EXIT_ENVIRONMENT);
    }
    CodePortion* portion = nullptr;
    // Each byte is looked up on its own, so an LDI word split between two
    // portions is patched in both and never written past either.
    auto byte_at = [&](long at) -> std::uint8_t& {
        portion = portion_at(image, portion, at);
        if (portion == nullptr) {
            console_log(0, "HEX record for %s not found\n", keyword);
            throw app_error(EXIT_BAD_DATA);
        }
        return portion->bytes()[at - portion->start];
    };
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t value = bytes[i];
        if (mode == INSERT_LDI) {
            std::uint8_t& low = byte_at(address);
            low = static_cast<std::uint8_t>((low & 0xF0) | (value & 0x0F));
            std::uint8_t& high = byte_at(address + 1);
            high = static_cast<std::uint8_t>((high & 0xF0) | (value >> 4));
            address += 2;
        } else {
            byte_at(address) = value;
            address += 1;
        }
    }
}

void ProductionData::insert_production_data() {
    if (!settings.write && !settings.verify) {
        return;
    }
    insert_osccal();
    insert_serno();
    const InsertSpec& request = settings.bytes_insert;
    if (request.mode != INSERT_NONE) {
        const std::size_t count = std::min<std::size_t>(request.count, request.bytes.size());
        insert_bytes(flash, eeprom, "BYTES", request.mode, request.address, request.bytes.data(),
                     count);
    }
}

void ProductionData::insert_osccal() {
    const InsertSpec& request = settings.osccal_insert;
    if (request.mode == INSERT_NONE) {
        return;
    }
    const int index = static_cast<int>(request.count);
    if (index < 0 || index >= session.current_device().osccal_count) {
        console_log(0, "OSCCAL%d not exist in selected chip\n", index);
        throw app_error(EXIT_ENVIRONMENT);
    }
    check_destination(session, "OSCCAL", request.mode, request.address, 1);
    const int corrected = session.calibration[index] + request.osccal_correction;
    const int limited = std::clamp(corrected, 0x00, 0xFF);
    if (limited != corrected) {
        console_log(2, "Warning: corrected osccal value limited by 0x%02X\n", limited);
    }
    const std::uint8_t value = static_cast<std::uint8_t>(limited);
    insert_bytes(flash, eeprom, "OSCCAL", request.mode, request.address, &value, 1);
    char correction[16] = "";
    if (request.osccal_correction != 0) {
        std::snprintf(correction, sizeof correction, "%+d", request.osccal_correction);
    }
    console_log(2, "OSCCAL%d%s inserted to %s at 0x%lX %s\n", index, correction,
                memory_name(request.mode), static_cast<unsigned long>(request.address),
                request.mode == INSERT_LDI ? "as part of LDI command" : "");
}

void ProductionData::insert_serno() {
    const InsertSpec& request = settings.serno_insert;
    if (request.mode == INSERT_NONE) {
        return;
    }
    if (request.count < 1 || request.count > 4) {
        console_log(0, "Invalid SERNO length\n");
        throw app_error(EXIT_ENVIRONMENT);
    }
    check_destination(session, "SERNO", request.mode, request.address, request.count);
    serial.take(request.serno_file, settings.write, static_cast<unsigned>(request.count));
    const std::uint32_t number = serial.number();
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
        static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
    insert_bytes(flash, eeprom, "SERNO", request.mode, request.address, bytes, request.count);
    console_log(2, "Chip serial number is %lu\n", static_cast<unsigned long>(number));
    console_log(3, " inserted as %d-byte value to %s at 0x%lX %s\n",
                static_cast<int>(request.count), memory_name(request.mode),
                static_cast<unsigned long>(request.address),
                request.mode == INSERT_LDI ? "as part of LDI command[s]" : "");
}

} // namespace quarnel
