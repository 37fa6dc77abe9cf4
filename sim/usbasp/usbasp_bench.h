// The USB bus of a process with USBasps plugged in (and one other device with the same shared
// IDs), the target chip on the first USBasp. Settings come from the target file:
//   usbasp_firmware=1.06|1.02  (1.02: before SETISPSCK and GETCAPABILITIES)
//   usbasp_serial=TEXT         (none by default, as on most clones)
//   usbasp_others=S1,S2...     (more USBasps; "-" for one without a serial string; each with the
//                               chip of AVRSIM_TARGET_<serial> when that is set)
//   usbasp_fault=none|missing|permission|stall|unplug, usbasp_fault_after=N (the request, from 1,
//   the stall or unplug hits), usbasp_stats=FILE, usbasp_timing=real|counted.
// USB time is a low-speed device's: each packet of a control transfer (the setup, every 8 bytes
// of data, the status) takes a whole 1 ms frame, or as many as the firmware's work for it.
#pragma once

#include "sim/chip_model.h"
#include "sim/ftd2xx/bus_clock.h"
#include "sim/live_target_file.h"
#include "sim/target_file.h"
#include "sim/usbasp/usbasp_firmware.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace avrsim {

// What a control transfer can end in, as libusb-1.0 numbers it.
enum usb_result : int { usb_io = -1, usb_access = -3, usb_no_device = -4, usb_pipe = -9 };

struct usb_plugged {
    std::uint16_t vendor = 0x16C0;
    std::uint16_t product = 0x05DC;
    std::string manufacturer = "www.fischl.de";
    std::string product_name = "USBasp";
    std::string serial_number;
    int bus = 1;
    int address = 0;
    bool denied = false;
    // The chip and its file; none on a USBasp with nothing on its ISP lines.
    std::unique_ptr<Target> target;
    std::string target_path;
    std::unique_ptr<LiveTargetFile> file;
    std::unique_ptr<ChipModel> chip;
    std::unique_ptr<usbasp_firmware> firmware; // none: not a USBasp
    bool used = false;
};

// The standard USB device descriptor, 18 bytes without padding, as both libraries' faces hand
// it out.
struct usb_device_descriptor {
    std::uint8_t bLength;
    std::uint8_t bDescriptorType;
    std::uint16_t bcdUSB;
    std::uint8_t bDeviceClass;
    std::uint8_t bDeviceSubClass;
    std::uint8_t bDeviceProtocol;
    std::uint8_t bMaxPacketSize0;
    std::uint16_t idVendor;
    std::uint16_t idProduct;
    std::uint16_t bcdDevice;
    std::uint8_t iManufacturer;
    std::uint8_t iProduct;
    std::uint8_t iSerialNumber;
    std::uint8_t bNumConfigurations;
};
static_assert(sizeof(usb_device_descriptor) == 18);

// The descriptor of a plugged device: a vendor-class USB 1.1 device with one configuration and
// its strings at 1 (manufacturer), 2 (product) and, when it has one, 3 (serial number).
usb_device_descriptor device_descriptor_of(const usb_plugged& device);

class usbasp_bench {
  public:
    explicit usbasp_bench(const char* target_path);
    ~usbasp_bench();
    usbasp_bench(const usbasp_bench&) = delete;
    usbasp_bench& operator=(const usbasp_bench&) = delete;

    // The devices on the bus now (an unplugged USBasp is gone).
    std::vector<usb_plugged*> devices();
    // A control transfer: the bytes moved, or a usb_result.
    int control(usb_plugged& device, std::uint8_t request_type, const usbasp_setup& setup,
                std::uint8_t* data);
    // String descriptor `index` (1 manufacturer, 2 product, 3 serial); empty when it has none.
    static std::string string_of(const usb_plugged& device, int index);
    bool present(const usb_plugged& device) const;

  private:
    void load(const char* target_path);
    void add_usbasp(const std::string& serial, const char* target_path, bool can_set_sck);
    void frame_align(double start_us);
    void write_stats() const;

    bus_clock clock_;
    std::vector<std::unique_ptr<usb_plugged>> devices_;
    std::string fault_;
    long fault_after_ = 1;
    std::string stats_file_;
    bool unplugged_ = false;
    long requests_ = 0;
    long transmits_ = 0;
    long block_requests_ = 0;
    long packets_ = 0;
    long frames_ = 0;
};

// The bench of the process, made from AVRSIM_TARGET on first use, saved when the library unloads.
usbasp_bench& usbasp();

} // namespace avrsim
