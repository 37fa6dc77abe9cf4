// Gathering the bench's channels into USB devices.
#include "sim/libftdi/usb_devices.h"

#include <algorithm>

namespace avrsim {

namespace {

int channels_of(std::uint32_t type) {
    switch (type) {
    case 4: // FT2232C/D
    case 6: // FT2232H
        return 2;
    case 7: // FT4232H
        return 4;
    default:
        return 1;
    }
}

// The channel letter (0 for A) that both texts end in, D2XX style, or -1.
int channel_suffix(const ftdi_device_entry& device) {
    const std::string& serial = device.serial_number;
    const std::string& description = device.description;
    if (channels_of(device.type) < 2 || serial.empty() || description.size() < 2) {
        return -1;
    }
    const char letter = serial.back();
    const int channel = letter - 'A';
    const bool named = channel >= 0 && channel < channels_of(device.type) &&
                       description.back() == letter && description[description.size() - 2] == ' ';
    return named ? channel : -1;
}

} // namespace

std::vector<std::unique_ptr<usb_chip>> usb_chips_of(ftdi_bench& bench) {
    std::vector<std::unique_ptr<usb_chip>> chips;
    for (const auto& channel : bench.all_channels()) {
        const ftdi_device_entry& device = channel->device;
        const int suffix = channel_suffix(device);
        usb_chip wanted;
        wanted.type = device.type;
        wanted.usb_id = bench.usb_id_of(*channel);
        wanted.serial_number = device.serial_number;
        wanted.product = device.description;
        if (suffix >= 0) {
            wanted.serial_number.pop_back();
            wanted.product.resize(wanted.product.size() - 2);
        }
        const int slot = std::max(suffix, 0);
        const auto same = [&](const std::unique_ptr<usb_chip>& chip) {
            return suffix >= 0 && chip->type == wanted.type && chip->usb_id == wanted.usb_id &&
                   chip->serial_number == wanted.serial_number && chip->product == wanted.product &&
                   chip->interfaces[slot] == nullptr;
        };
        auto found = std::find_if(chips.begin(), chips.end(), same);
        if (found == chips.end()) {
            chips.push_back(std::make_unique<usb_chip>(wanted));
            found = chips.end() - 1;
        }
        (*found)->interfaces[slot] = channel.get();
    }
    return chips;
}

} // namespace avrsim
