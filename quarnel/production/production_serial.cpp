// The rules of a run's serial number, whatever store keeps it.
#include "quarnel/production/production_serial.h"

#include "quarnel/common/console.h"
#include "quarnel/production/production.h"

#include <cerrno>

namespace quarnel {

bool serial_number_fits(std::uint64_t number, const std::string& where, unsigned bytes) {
    if (bytes >= 4 ? number <= 0xFFFFFFFFu : (number >> (8 * bytes)) == 0) {
        return true;
    }
    // Printed as text: the Windows build's console takes no 64-bit conversions.
    console_log(0, "Serial number %s of %s doesn't fit in %u byte%s\n",
                std::to_string(number).c_str(), where.c_str(), bytes, bytes == 1 ? "" : "s");
    return false;
}

void SerialNumber::take(const std::string& store_name, bool reserve, unsigned bytes) {
    name = store_name;
    reserved = false;
    on_chip = false;
    value = store->take(name, reserve, bytes);
    reserved = reserve;
}

void SerialNumber::give_back() {
    if (!reserved) {
        return;
    }
    reserved = false;
    if (on_chip) {
        console_log(1, "Serial number %lu stays used, the chip may hold it\n",
                    static_cast<unsigned long>(value));
        return;
    }
    const int saved_errno = errno;
    store->put_back(name, value);
    errno = saved_errno;
}

std::unique_ptr<SerialNumberStore> serial_number_store(const ProductionSettings& settings) {
    return settings.serial_database ? serial_counter_database(*settings.serial_database)
                                    : serial_number_file();
}

void ProductionData::keep_used_serial() {
    if (settings.write) {
        serial.keep();
    }
}

void ProductionData::serial_reaches_chip(memory_slot slot) {
    const insert_mode mode = settings.serno_insert.mode;
    if (mode != INSERT_NONE && (slot == SLOT_DATA) == (mode == INSERT_DATA)) {
        serial.reaches_chip();
    }
}

void ProductionData::return_serial_number() {
    serial.give_back();
}

} // namespace quarnel
