// USBasps on the USB: the VOTI shared vendor and product IDs, told apart from the other devices
// that share them by the manufacturer and product strings.
#include "quarnel/programmers/usbasp/usbasp_devices.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <vector>

namespace quarnel {

namespace {

constexpr const char* usbasp_manufacturer = "www.fischl.de";
constexpr const char* usbasp_product = "USBasp";

[[noreturn]] void fail() {
    throw app_error(EXIT_ENVIRONMENT);
}

bool parse_decimal(std::string_view text, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size() && value >= 0 && value < 256;
}

// A USBasp seen on the bus; `handle` is open unless the user may not open it.
struct found_usbasp {
    int bus;
    int address;
    std::string serial_number;
    libusb::device_handle* handle = nullptr;
    bool denied = false;
};

std::string string_of(libusb_library_t& library, libusb::device_handle* handle,
                      std::uint8_t index) {
    if (index == 0) {
        return {};
    }
    unsigned char text[128];
    const int length =
        library.get_string_descriptor_ascii(handle, index, text, static_cast<int>(sizeof text));
    return length > 0
               ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length))
               : std::string();
}

// Every USBasp on the bus, open; the caller closes them.
std::vector<found_usbasp> find_usbasps(libusb_library_t& library) {
    libusb::device** list = nullptr;
    const long count = library.get_device_list(library.context(), &list);
    if (count < 0) {
        console_log(0, "Can't get USB device list (%s)\n",
                    library.error_text(static_cast<int>(count)));
        fail();
    }
    std::vector<found_usbasp> found;
    for (long i = 0; i < count; ++i) {
        libusb::device_descriptor descriptor{};
        if (library.get_device_descriptor(list[i], &descriptor) != 0 ||
            descriptor.idVendor != usbasp_vendor_id || descriptor.idProduct != usbasp_product_id) {
            continue;
        }
        found_usbasp device{
            library.get_bus_number(list[i]), library.get_device_address(list[i]), {}};
        const int code = library.open(list[i], &device.handle);
        if (code == libusb::ERROR_ACCESS) {
            device.denied = true;
            found.push_back(device);
            continue;
        }
        if (code != 0) {
            continue; // gone, or claimed by a driver of the system
        }
        if (string_of(library, device.handle, descriptor.iManufacturer) != usbasp_manufacturer ||
            string_of(library, device.handle, descriptor.iProduct) != usbasp_product) {
            library.close(device.handle);
            continue;
        }
        device.serial_number = string_of(library, device.handle, descriptor.iSerialNumber);
        found.push_back(device);
    }
    library.free_device_list(list, 1);
    return found;
}

void close_all(libusb_library_t& library, const std::vector<found_usbasp>& devices,
               const found_usbasp* kept = nullptr) {
    for (const found_usbasp& device : devices) {
        if (device.handle != nullptr && &device != kept) {
            library.close(device.handle);
        }
    }
}

bool matches(const found_usbasp& device, const usbasp_request& request) {
    if (request.by_serial()) {
        return device.serial_number == request.serial_number;
    }
    if (request.by_place()) {
        return device.bus == request.bus && device.address == request.address;
    }
    return true;
}

[[noreturn]] void refuse_denied(const found_usbasp& device) {
    console_log(0,
                "Can't open USBasp at bus %03d address %03d: permission denied (the udev rule "
                "%s gives the group plugdev access)\n",
                device.bus, device.address, usbasp_udev_rule);
    fail();
}

} // namespace

usbasp_request parse_usbasp_port(const std::optional<std::string>& port_spec) {
    usbasp_request request;
    if (!port_spec) {
        return request;
    }
    const std::string_view text = *port_spec;
    if (text.starts_with("s=") && text.size() > 2) {
        request.serial_number = text.substr(2);
        return request;
    }
    if (text.starts_with("b=")) {
        const std::string_view place = text.substr(2);
        const std::size_t colon = place.find(':');
        if (colon != std::string_view::npos && parse_decimal(place.substr(0, colon), request.bus) &&
            parse_decimal(place.substr(colon + 1), request.address)) {
            return request;
        }
    }
    console_log(0, "Bad USBasp port '%s', use s=SERIAL or b=BUS:ADDR (-p? lists them)\n",
                port_spec->c_str());
    fail();
}

void list_usbasps(libusb_library_t& library) {
    const std::vector<found_usbasp> devices = find_usbasps(library);
    close_all(library, devices);
    if (devices.empty()) {
        console_log(0, "No USBasp found\n");
        fail();
    }
    console_log(2, "%d USBasp devices detected\n", static_cast<int>(devices.size()));
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const found_usbasp& device = devices[i];
        console_log(2, "%2d: bus %03d address %03d", static_cast<int>(i), device.bus,
                    device.address);
        if (device.denied) {
            console_log(2, ", no permission (see %s)\n", usbasp_udev_rule);
        } else if (device.serial_number.empty()) {
            console_log(2, ", no serial number\n");
        } else {
            console_log(2, ", serno \"%s\"\n", device.serial_number.c_str());
        }
    }
}

libusb::device_handle* open_usbasp(libusb_library_t& library, const usbasp_request& request) {
    const std::vector<found_usbasp> devices = find_usbasps(library);
    std::vector<const found_usbasp*> wanted;
    for (const found_usbasp& device : devices) {
        // A device the user may not open can't show its serial string: it is one of those asked
        // for only by its place, or when nothing better is found.
        if (matches(device, request) || (device.denied && request.by_serial())) {
            wanted.push_back(&device);
        }
    }
    const found_usbasp* chosen = nullptr;
    for (const found_usbasp* device : wanted) {
        if (!device->denied) {
            chosen = device;
            break;
        }
    }
    const long openable = std::count_if(wanted.begin(), wanted.end(),
                                        [](const found_usbasp* device) { return !device->denied; });
    if (chosen == nullptr) {
        close_all(library, devices);
        if (!wanted.empty()) {
            refuse_denied(*wanted.front());
        }
        if (request.by_serial()) {
            console_log(0, "No USBasp with serial number \"%s\" found\n",
                        request.serial_number.c_str());
        } else if (request.by_place()) {
            console_log(0, "No USBasp at bus %03d address %03d\n", request.bus, request.address);
        } else {
            console_log(0, "No USBasp found\n");
        }
        fail();
    }
    if (openable > 1 && !request.by_serial()) {
        close_all(library, devices);
        console_log(0,
                    "%ld USBasps found, pick one with -ps=SERIAL or -pb=BUS:ADDR (-p? lists "
                    "them)\n",
                    openable);
        fail();
    }
    close_all(library, devices, chosen);
    console_log(3, "\t%% USBasp at bus %03d address %03d opened\n", chosen->bus, chosen->address);
    return chosen->handle;
}

} // namespace quarnel
