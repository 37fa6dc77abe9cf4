// Name tables of D2XX status codes and device types.
#include "quarnel/adapters/ftdi/ftdi_names.h"

#include <array>

namespace quarnel {

namespace {
constexpr std::array<const char*, 20> status_names = {
    "FT_OK",
    "FT_INVALID_HANDLE",
    "FT_DEVICE_NOT_FOUND",
    "FT_DEVICE_NOT_OPENED",
    "FT_IO_ERROR",
    "FT_INSUFFICIENT_RESOURCES",
    "FT_INVALID_PARAMETER",
    "FT_INVALID_BAUD_RATE",
    "FT_DEVICE_NOT_OPENED_FOR_ERASE",
    "FT_DEVICE_NOT_OPENED_FOR_WRITE",
    "FT_FAILED_TO_WRITE_DEVICE",
    "FT_EEPROM_READ_FAILED",
    "FT_EEPROM_WRITE_FAILED",
    "FT_EEPROM_ERASE_FAILED",
    "FT_EEPROM_NOT_PRESENT",
    "FT_EEPROM_NOT_PROGRAMMED",
    "FT_INVALID_ARGS",
    "FT_NOT_SUPPORTED",
    "FT_OTHER_ERROR",
    "FT_DEVICE_LIST_NOT_READY",
};

constexpr std::array<const char*, 9> type_names = {
    "FT_DEVICE_BM",   "FT_DEVICE_AM",    "FT_DEVICE_100AX", "FT_DEVICE_UNKNOWN", "FT_DEVICE_2232C",
    "FT_DEVICE_232R", "FT_DEVICE_2232H", "FT_DEVICE_4232H", "FT_DEVICE_232H",
};
} // namespace

const char* ftdi_status_name(std::uint32_t status) {
    return status < status_names.size() ? status_names[status] : "TOO HIGH ERROR CODE";
}

const char* ftdi_type_name(ftdi_chip_type type) {
    const auto number = static_cast<std::uint32_t>(type);
    return number < type_names.size() ? type_names[number] : "TOO HIGH TYPE CODE";
}

} // namespace quarnel
