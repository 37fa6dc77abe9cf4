// FTDI device listing and the opening of one device through the D2XX library.
#include "quarnel/adapters/ftdi/ftdi_backends.h"

#include "quarnel/adapters/ftdi/d2xx/ftd2xx_library.h"
#include "quarnel/adapters/ftdi/d2xx/ftdi_chip_ftd2xx.h"
#include "quarnel/adapters/ftdi/ftdi_identity.h"
#include "quarnel/adapters/ftdi/ftdi_names.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace quarnel {

namespace {

// Closes an open device handle unless ownership moved on.
class open_handle_guard {
  public:
    open_handle_guard(ftd2xx_library_t& d2xx_library, d2xx::FT_HANDLE device)
        : library(d2xx_library), handle(device) {}
    ~open_handle_guard() {
        if (handle != nullptr) {
            library.FT_Close(handle);
        }
    }
    open_handle_guard(const open_handle_guard&) = delete;
    open_handle_guard& operator=(const open_handle_guard&) = delete;
    d2xx::FT_HANDLE release() { return std::exchange(handle, nullptr); }

  private:
    ftd2xx_library_t& library;
    d2xx::FT_HANDLE handle;
};

[[noreturn]] void fail() {
    throw app_error(EXIT_ENVIRONMENT);
}

// Text of a fixed-size field that the library may fill without a terminator.
std::string field_text(const char* field, std::size_t size) {
    return std::string(field, strnlen(field, size));
}

// D2XX numbers chip types as ftdi_chip_type does.
ftdi_chip_type chip_type_of(d2xx::FT_DEVICE type) {
    return static_cast<ftdi_chip_type>(type);
}

ftdi_device_params_t read_device_info(ftd2xx_library_t& library, d2xx::FT_HANDLE handle) {
    d2xx::FT_DEVICE type = 0;
    d2xx::DWORD id = 0;
    // Larger than the 17 and 65 bytes the library writes, so that no reply can overrun them.
    char serial_number[64] = {};
    char description[128] = {};
    const d2xx::FT_STATUS status =
        library.FT_GetDeviceInfo(handle, &type, &id, serial_number, description, nullptr);
    if (status != d2xx::FT_OK) {
        console_log(0, "Can't get FTDI device information (%s)\n", ftdi_status_name(status));
        fail();
    }
    ftdi_device_params_t found;
    found.type = chip_type_of(type);
    found.serial_number = field_text(serial_number, ftdi_device_params_t::serial_number_max);
    found.description = field_text(description, ftdi_device_params_t::description_max);
    return found;
}

// Makes the library find an adapter with other USB IDs than FTDI's own. D2XX for Linux and
// macOS finds only FTDI's IDs and one pair set with FT_SetVIDPID; builds without that call find
// every device their driver serves.
void add_usb_id(ftd2xx_library_t& library, std::uint32_t usb_id) {
    if (usb_id == 0 || library.FT_SetVIDPID == nullptr) {
        return;
    }
    const d2xx::DWORD vendor = usb_id >> 16;
    const d2xx::DWORD product = usb_id & 0xFFFFu;
    const d2xx::FT_STATUS status = library.FT_SetVIDPID(vendor, product);
    if (status != d2xx::FT_OK) {
        console_log(0, "Can't set USB IDs %04X:%04X (%s)\n", static_cast<unsigned>(vendor),
                    static_cast<unsigned>(product), ftdi_status_name(status));
        fail();
    }
}

// Opens the listed device that has `usb_id` and the key's serial number or description: the
// library's own search by key would also take a device with other IDs.
d2xx::FT_STATUS open_listed(ftd2xx_library_t& library, const FtdiOpenKey& key, std::uint32_t usb_id,
                            d2xx::FT_HANDLE* handle) {
    d2xx::DWORD count = 0;
    d2xx::FT_STATUS status = library.FT_CreateDeviceInfoList(&count);
    if (status != d2xx::FT_OK || count == 0) {
        return status != d2xx::FT_OK ? status : d2xx::FT_DEVICE_NOT_FOUND;
    }
    std::vector<d2xx::FT_DEVICE_LIST_INFO_NODE> nodes(count);
    d2xx::DWORD listed = count;
    status = library.FT_GetDeviceInfoList(nodes.data(), &listed);
    if (status != d2xx::FT_OK) {
        return status;
    }
    for (std::size_t i = 0; i < std::min<std::size_t>(listed, nodes.size()); ++i) {
        const d2xx::FT_DEVICE_LIST_INFO_NODE& node = nodes[i];
        const std::string text = key.by_serial_number
                                     ? field_text(node.SerialNumber, sizeof node.SerialNumber)
                                     : field_text(node.Description, sizeof node.Description);
        if (node.ID == usb_id && text == key.text) {
            return library.FT_Open(static_cast<int>(i), handle);
        }
    }
    return d2xx::FT_DEVICE_NOT_FOUND;
}

} // namespace

void list_d2xx_devices(const ftdi_device_params_t& ids) {
    ftd2xx_library_t library;
    add_usb_id(library, requested_usb_id(ids));
    d2xx::DWORD count = 0;
    d2xx::FT_STATUS status = library.FT_CreateDeviceInfoList(&count);
    if (status != d2xx::FT_OK) {
        console_log(0, "Can't get number of FTDI devices (%s)\n", ftdi_status_name(status));
        fail();
    }
    if (count == 0) {
        console_log(0, "No FTDI devices found\n");
        fail();
    }
    console_log(2, "%ld FTDI devices detected\n", static_cast<long>(count));

    std::vector<d2xx::FT_DEVICE_LIST_INFO_NODE> nodes(count);
    d2xx::DWORD listed = count;
    status = library.FT_GetDeviceInfoList(nodes.data(), &listed);
    if (status != d2xx::FT_OK) {
        console_log(0, "Can't get FTDI device list (%s)\n", ftdi_status_name(status));
        fail();
    }
    // Devices plugged in between the two calls are not in the array.
    const std::size_t shown = std::min<std::size_t>(listed, nodes.size());
    for (std::size_t i = 0; i < shown; ++i) {
        const d2xx::FT_DEVICE_LIST_INFO_NODE& node = nodes[i];
        if ((node.Flags & d2xx::FT_FLAGS_OPENED) != 0) {
            console_log(2, "%2d: opened by another process\n", static_cast<int>(i));
        } else {
            console_log(2, "%2d: %s (0x%X) - \"%.64s\", serno \"%.16s\"\n", static_cast<int>(i),
                        ftdi_type_name(chip_type_of(node.Type)), static_cast<unsigned>(node.Type),
                        node.Description, node.SerialNumber);
        }
    }
}

std::unique_ptr<ftdi_chip_t> open_d2xx_chip(const ftdi_device_params_t& request) {
    const FtdiOpenKey key = open_key(request);

    auto library = std::make_unique<ftd2xx_library_t>();
    const std::uint32_t usb_id = requested_usb_id(request);
    add_usb_id(*library, usb_id);
    d2xx::FT_HANDLE handle = nullptr;
    std::string key_argument = key.text; // FT_OpenEx takes a non-const pointer
    const d2xx::FT_STATUS status =
        usb_id != 0 ? open_listed(*library, key, usb_id, &handle)
                    : library->FT_OpenEx(key_argument.data(),
                                         key.by_serial_number ? d2xx::FT_OPEN_BY_SERIAL_NUMBER
                                                              : d2xx::FT_OPEN_BY_DESCRIPTION,
                                         &handle);
    if (status != d2xx::FT_OK) {
        refuse_open(key, ftdi_status_name(status));
    }
    open_handle_guard guard(*library, handle);

    d2xx::DWORD driver_version = 0;
    if (library->FT_GetDriverVersion(handle, &driver_version) == d2xx::FT_OK) {
        console_log(3, "\t%% FTDI driver version %X.%X.%X\n",
                    static_cast<unsigned>((driver_version >> 16) & 0xFFu),
                    static_cast<unsigned>((driver_version >> 8) & 0xFFu),
                    static_cast<unsigned>(driver_version & 0xFFu));
    }

    check_opened_device(request, read_device_info(*library, handle));

    return std::make_unique<ftdi_chip_ftd2xx_t>(request.type, std::move(library), guard.release());
}

} // namespace quarnel
