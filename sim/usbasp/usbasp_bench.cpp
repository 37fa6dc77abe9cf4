// The virtual USB bus with its USBasps: devices, faults, time and counts.
#include "sim/usbasp/usbasp_bench.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <sstream>

namespace avrsim {

namespace {

constexpr double frame_us = 1000.0;
constexpr int packet_bytes = 8;
constexpr std::uint8_t direction_in = 0x80;

void complain(const std::string& text) {
    std::fprintf(stderr, "avrsim usbasp: %s\n", text.c_str());
}

usbasp_bench* the_bench = nullptr;

__attribute__((destructor)) void release_bench() {
    delete the_bench;
    the_bench = nullptr;
}

} // namespace

usbasp_bench& usbasp() {
    if (the_bench == nullptr) {
        the_bench = new usbasp_bench(std::getenv("AVRSIM_TARGET"));
    }
    return *the_bench;
}

usbasp_bench::usbasp_bench(const char* target_path) {
    if (target_path == nullptr || target_path[0] == '\0') {
        complain("AVRSIM_TARGET is not set: no USBasp present");
        return;
    }
    try {
        load(target_path);
    } catch (const std::exception& error) {
        complain(std::string(error.what()) + ": no USBasp present");
        devices_.clear();
    }
}

void usbasp_bench::add_usbasp(const std::string& serial, const char* target_path,
                              bool can_set_sck) {
    auto device = std::make_unique<usb_plugged>();
    device->serial_number = serial;
    device->address = static_cast<int>(devices_.size()) + 5;
    if (target_path != nullptr && *target_path != '\0') {
        device->target_path = target_path;
        device->target = std::make_unique<Target>(load_target(target_path));
        device->file = std::make_unique<LiveTargetFile>(*device->target, target_path);
        device->chip =
            std::make_unique<ChipModel>(device->target->chip, device->target->settings, clock_);
        device->chip->keep_writes_in(device->file.get());
    }
    device->firmware = std::make_unique<usbasp_firmware>(device->chip.get(), clock_, can_set_sck);
    devices_.push_back(std::move(device));
}

void usbasp_bench::load(const char* target_path) {
    const Target target = load_target(target_path);
    std::string firmware = "1.06";
    std::string serial;
    std::string others;
    std::string timing = "counted";
    for (const auto& [key, value] : target.extra) {
        if (key == "usbasp_firmware" && (value == "1.06" || value == "1.04" || value == "1.02")) {
            firmware = value;
        } else if (key == "usbasp_serial") {
            serial = value;
        } else if (key == "usbasp_others") {
            others = value;
        } else if (key == "usbasp_fault" &&
                   (value == "none" || value == "missing" || value == "permission" ||
                    value == "stall" || value == "unplug")) {
            fault_ = value == "none" ? "" : value;
        } else if (key == "usbasp_fault_after") {
            fault_after_ = std::atol(value.c_str());
        } else if (key == "usbasp_stats") {
            stats_file_ = value;
        } else if (key == "usbasp_timing" && (value == "real" || value == "counted")) {
            timing = value;
        } else if (key.rfind("usbasp", 0) == 0) {
            std::string text = target_path;
            text += ": bad " + key;
            text += " '" + value + "'";
            throw target_error(text);
        }
    }
    if (const char* stats = std::getenv("AVRSIM_USBASP_STATS"); stats != nullptr && *stats) {
        stats_file_ = stats;
    }
    if (const char* value = std::getenv("AVRSIM_USBASP_TIMING"); value != nullptr && *value) {
        timing = value;
    }
    clock_.set_real_time(timing == "real");
    // Another device with the shared IDs, which the programmers must pass over.
    auto other = std::make_unique<usb_plugged>();
    other->manufacturer = "www.obdev.at";
    other->product_name = "HIDKeys";
    other->address = 4;
    devices_.push_back(std::move(other));
    if (fault_ != "missing") {
        add_usbasp(serial, target_path, firmware != "1.02");
        devices_.back()->denied = fault_ == "permission";
        std::stringstream list(others);
        for (std::string name; std::getline(list, name, ',');) {
            const std::string own = name == "-" ? "" : name;
            const char* path =
                own.empty() ? nullptr : std::getenv(("AVRSIM_TARGET_" + own).c_str());
            add_usbasp(own, path, true);
        }
    }
}

usbasp_bench::~usbasp_bench() {
    for (const auto& device : devices_) {
        if (device->file && device->used) {
            try {
                device->file->save();
            } catch (const std::exception& error) {
                complain(error.what());
            }
        }
    }
    write_stats();
}

bool usbasp_bench::present(const usb_plugged& device) const {
    return !(unplugged_ && device.firmware && &device == devices_[1].get());
}

std::vector<usb_plugged*> usbasp_bench::devices() {
    std::vector<usb_plugged*> found;
    for (const auto& device : devices_) {
        if (present(*device)) {
            found.push_back(device.get());
        }
    }
    return found;
}

std::string usbasp_bench::string_of(const usb_plugged& device, int index) {
    switch (index) {
    case 1:
        return device.manufacturer;
    case 2:
        return device.product_name;
    case 3:
        return device.serial_number;
    default:
        return {};
    }
}

// A packet that began at `start_us` ends at a frame boundary: a frame for itself, or as many as
// the firmware's work took.
void usbasp_bench::frame_align(double start_us) {
    const double spent = clock_.total_us() - start_us;
    const double frames = std::max(1.0, std::ceil(spent / frame_us - 1e-9));
    clock_.advance_us(frames * frame_us - spent);
    frames_ += static_cast<long>(frames);
    ++packets_;
}

int usbasp_bench::control(usb_plugged& device, std::uint8_t request_type, const usbasp_setup& setup,
                          std::uint8_t* data) {
    if (!present(device)) {
        return usb_no_device;
    }
    ++requests_;
    const bool hit = !fault_.empty() && requests_ >= fault_after_;
    if (hit && fault_ == "unplug") {
        unplugged_ = true;
        return usb_no_device;
    }
    if (hit && fault_ == "stall") {
        return usb_pipe;
    }
    if (!device.firmware || (request_type & 0x60) != 0x40) {
        return usb_pipe;
    }
    // The firmware's USB stack counts a request's data in one byte.
    if (setup.length > 255) {
        return usb_pipe;
    }
    device.used = true;
    transmits_ += setup.request == 3 ? 1 : 0;
    block_requests_ += setup.request == 4 || (setup.request >= 6 && setup.request <= 8) ? 1 : 0;
    clock_.begin_transfer();
    double start = clock_.total_us();
    std::uint8_t reply[8] = {};
    int moved = device.firmware->setup(setup, reply);
    frame_align(start);
    const bool in = (request_type & direction_in) != 0;
    if (moved >= 0) {
        moved = std::min<int>(moved, setup.length);
        if (in && moved > 0) {
            std::copy(reply, reply + moved, data);
            start = clock_.total_us();
            frame_align(start);
        }
    } else {
        moved = setup.length;
        for (int done = 0; done < moved; done += packet_bytes) {
            start = clock_.total_us();
            const int part = std::min(packet_bytes, moved - done);
            if (in) {
                device.firmware->read(data + done, part);
            } else {
                device.firmware->write(data + done, part);
            }
            frame_align(start);
        }
    }
    start = clock_.total_us();
    frame_align(start); // status stage
    clock_.end_transfer();
    return moved;
}

void usbasp_bench::write_stats() const {
    if (stats_file_.empty()) {
        return;
    }
    bool in_reset = false;
    for (const auto& device : devices_) {
        in_reset = in_reset || (device->chip && device->chip->in_reset());
    }
    std::ofstream out(stats_file_);
    out << "usb_requests " << requests_ << "\n"
        << "usb_transmits " << transmits_ << "\n"
        << "usb_block_requests " << block_requests_ << "\n"
        << "usb_packets " << packets_ << "\n"
        << "usb_frames " << frames_ << "\n"
        << "target_in_reset " << (in_reset ? 1 : 0) << "\n"
        << "bus_time_us " << static_cast<std::uint64_t>(clock_.total_us()) << "\n";
    if (!out) {
        complain("can't write " + stats_file_);
    }
}

usb_device_descriptor device_descriptor_of(const usb_plugged& device) {
    return {.bLength = 18,
            .bDescriptorType = 1,
            .bcdUSB = 0x0110,
            .bDeviceClass = 0xFF,
            .bDeviceSubClass = 0,
            .bDeviceProtocol = 0,
            .bMaxPacketSize0 = 8,
            .idVendor = device.vendor,
            .idProduct = device.product,
            .bcdDevice = 0x0104,
            .iManufacturer = 1,
            .iProduct = 2,
            .iSerialNumber = static_cast<std::uint8_t>(device.serial_number.empty() ? 0 : 3),
            .bNumConfigurations = 1};
}

} // namespace avrsim
