// FTDI device listing and the opening of one device through libftdi1. libftdi sees USB
// devices; a chip with several MPSSE channels is one device with an interface per channel,
// shown as D2XX shows it: one device per channel, its letter added to the serial number and,
// after a blank, to the description.
#include "quarnel/adapters/ftdi/ftdi_backends.h"
#include "quarnel/adapters/ftdi/ftdi_identity.h"
#include "quarnel/adapters/ftdi/ftdi_names.h"
#include "quarnel/adapters/ftdi/libftdi/ftdi_chip_libftdi.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quarnel {

namespace {

[[noreturn]] void fail() {
    throw app_error(EXIT_ENVIRONMENT);
}

// The chip type of a libftdi chip type number (FT230X and later are all `later`).
ftdi_chip_type chip_type_of(int libftdi_type) {
    switch (libftdi_type) {
    case libftdi::TYPE_AM:
        return ftdi_chip_type::am;
    case libftdi::TYPE_BM:
        return ftdi_chip_type::bm;
    case libftdi::TYPE_2232C:
        return ftdi_chip_type::ft2232c;
    case libftdi::TYPE_R:
        return ftdi_chip_type::ft232r;
    case libftdi::TYPE_2232H:
        return ftdi_chip_type::ft2232h;
    case libftdi::TYPE_4232H:
        return ftdi_chip_type::ft4232h;
    case libftdi::TYPE_232H:
        return ftdi_chip_type::ft232h;
    case libftdi::TYPE_230X:
        return ftdi_chip_type::x_series;
    default:
        return ftdi_chip_type::later;
    }
}

int channel_count(ftdi_chip_type type) {
    switch (type) {
    case ftdi_chip_type::ft2232c:
    case ftdi_chip_type::ft2232h:
        return 2;
    case ftdi_chip_type::ft4232h:
        return 4;
    default:
        return 1;
    }
}

// The USB strings of a device.
struct usb_strings {
    std::string description;
    std::string serial_number;
};

// The identity of channel `channel` (0 for A) of a device of `type`.
ftdi_device_params_t channel_identity(ftdi_chip_type type, const usb_strings& strings,
                                      int channel) {
    ftdi_device_params_t identity;
    identity.type = type;
    identity.serial_number = strings.serial_number;
    identity.description = strings.description;
    if (channel_count(type) > 1) {
        const char letter = static_cast<char>('A' + channel);
        identity.serial_number += letter;
        identity.description += ' ';
        identity.description += letter;
    }
    identity.serial_number.resize(
        std::min(identity.serial_number.size(), ftdi_device_params_t::serial_number_max));
    identity.description.resize(
        std::min(identity.description.size(), ftdi_device_params_t::description_max));
    return identity;
}

// The devices libftdi finds with the USB IDs of `usb_id` (0: FTDI's own), freed with the list.
class device_list {
  public:
    device_list(libftdi_library_t& library, libftdi::ftdi_context* context, std::uint32_t usb_id)
        : library_(library) {
        const int found = library.ftdi_usb_find_all(context, &list_, static_cast<int>(usb_id >> 16),
                                                    static_cast<int>(usb_id & 0xFFFFu));
        if (found < 0) {
            console_log(0, "Can't get number of FTDI devices (%s)\n", library.error_text(context));
            fail();
        }
        for (const libftdi::ftdi_device_list* entry = list_; entry != nullptr;
             entry = entry->next) {
            devices_.push_back(entry->dev);
        }
    }
    ~device_list() { library_.ftdi_list_free(&list_); }
    device_list(const device_list&) = delete;
    device_list& operator=(const device_list&) = delete;

    const std::vector<libftdi::usb_device*>& devices() const { return devices_; }

  private:
    libftdi_library_t& library_;
    libftdi::ftdi_device_list* list_ = nullptr;
    std::vector<libftdi::usb_device*> devices_;
};

// The USB strings of `device`, or the library's reason why they could not be read.
std::optional<usb_strings> read_strings(libftdi_library_t& library, libftdi::ftdi_context* context,
                                        libftdi::usb_device* device) {
    char description[128] = {};
    char serial_number[64] = {};
    if (library.ftdi_usb_get_strings(context, device, nullptr, 0, description,
                                     sizeof description - 1, serial_number,
                                     sizeof serial_number - 1) < 0) {
        return std::nullopt;
    }
    return usb_strings{description, serial_number};
}

// Opens channel `channel` of `device` on `context`; false when it cannot be opened (claimed
// by another program, or no such interface).
bool open_channel(libftdi_library_t& library, libftdi::ftdi_context* context,
                  libftdi::usb_device* device, int channel) {
    return library.ftdi_set_interface(context, libftdi::INTERFACE_A + channel) >= 0 &&
           library.ftdi_usb_open_dev(context, device) >= 0;
}

// The channel a key names when it extends `text` by a channel letter (after a
// blank for descriptions), or -1; 0 when it is `text` itself.
int named_channel(const std::string& key, const std::string& text, bool by_serial_number) {
    if (key == text) {
        return 0;
    }
    const std::size_t suffix = by_serial_number ? 1 : 2;
    if (key.size() != text.size() + suffix || key.compare(0, text.size(), text) != 0 ||
        (!by_serial_number && key[text.size()] != ' ')) {
        return -1;
    }
    const char letter = key.back();
    return letter >= 'A' && letter <= 'D' ? letter - 'A' : -1;
}

} // namespace

void list_libftdi_devices(const ftdi_device_params_t& ids) {
    libftdi_library_t library;
    const libftdi_context_t context(library);
    // The kernel's serial driver lets go of each channel only while it is looked at.
    context->module_detach_mode = libftdi::AUTO_DETACH_REATACH_SIO_MODULE;
    const device_list list(library, context.get(), requested_usb_id(ids));

    // One row per channel; nullopt: held by another program.
    std::vector<std::optional<ftdi_device_params_t>> rows;
    for (libftdi::usb_device* device : list.devices()) {
        const std::optional<usb_strings> strings = read_strings(library, context.get(), device);
        if (!strings) {
            console_log(0, "Can't get FTDI device list (%s)\n", library.error_text(context.get()));
            fail();
        }
        std::optional<ftdi_chip_type> type;
        std::vector<bool> free_channels;
        for (int channel = 0; channel < (type ? channel_count(*type) : 4); ++channel) {
            const bool opened = open_channel(library, context.get(), device, channel);
            if (opened) {
                type = type.value_or(chip_type_of(context->type));
                library.ftdi_usb_close(context.get());
            }
            free_channels.push_back(opened);
        }
        if (!type) {
            rows.emplace_back();
            continue;
        }
        for (int channel = 0; channel < channel_count(*type); ++channel) {
            rows.push_back(free_channels[static_cast<std::size_t>(channel)]
                               ? std::optional(channel_identity(*type, *strings, channel))
                               : std::nullopt);
        }
    }
    if (rows.empty()) {
        console_log(0, "No FTDI devices found\n");
        fail();
    }
    console_log(2, "%ld FTDI devices detected\n", static_cast<long>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!rows[i]) {
            console_log(2, "%2d: opened by another process\n", static_cast<int>(i));
            continue;
        }
        const ftdi_device_params_t& row = *rows[i];
        console_log(2, "%2d: %s (0x%X) - \"%s\", serno \"%s\"\n", static_cast<int>(i),
                    ftdi_type_name(row.type), static_cast<unsigned>(row.type),
                    row.description.c_str(), row.serial_number.c_str());
    }
}

std::unique_ptr<ftdi_chip_t> open_libftdi_chip(const ftdi_device_params_t& request) {
    const FtdiOpenKey key = open_key(request);

    auto library = std::make_unique<libftdi_library_t>();
    libftdi::ftdi_context* context = library->ftdi_new();
    if (context == nullptr) {
        console_log(0, "Can't create libftdi context\n");
        fail();
    }
    // Owned by the chip once it is made; freed (device closed) on every way out before.
    std::unique_ptr<libftdi::ftdi_context, libftdi::ftdi_free_t> owned(context, library->ftdi_free);
    // The kernel's serial driver gets the channel back when the chip is closed.
    context->module_detach_mode = libftdi::AUTO_DETACH_REATACH_SIO_MODULE;
    std::string unreadable; // why a device's strings could not be read
    const device_list list(*library, context, requested_usb_id(request));
    for (libftdi::usb_device* device : list.devices()) {
        const std::optional<usb_strings> strings = read_strings(*library, context, device);
        if (!strings) {
            unreadable = library->error_text(context);
            continue;
        }
        const std::string& text =
            key.by_serial_number ? strings->serial_number : strings->description;
        const int channel = named_channel(key.text, text, key.by_serial_number);
        if (channel < 0) {
            continue;
        }
        if (!open_channel(*library, context, device, channel)) {
            // libftdi tells a channel the chip lacks from one in use only by the chip's type.
            const std::string reason = library->error_text(context);
            if (channel > 0 && open_channel(*library, context, device, 0)) {
                const bool exists = channel < channel_count(chip_type_of(context->type));
                library->ftdi_usb_close(context);
                if (!exists) {
                    continue;
                }
            }
            refuse_open(key, reason.c_str());
        }
        const ftdi_device_params_t found =
            channel_identity(chip_type_of(context->type), *strings, channel);
        if ((key.by_serial_number ? found.serial_number : found.description) != key.text) {
            library->ftdi_usb_close(context);
            continue;
        }
        check_opened_device(request, found);
        return std::make_unique<ftdi_chip_libftdi_t>(request.type, std::move(library),
                                                     owned.release());
    }
    refuse_open(key, unreadable.empty() ? "device not found" : unreadable.c_str());
}

} // namespace quarnel
