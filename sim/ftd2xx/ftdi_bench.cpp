// Loading the FTDI bench from the target file, saving the chip, and the USB statistics file.
#include "sim/ftd2xx/ftdi_bench.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>

namespace avrsim {

namespace {
std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

void complain(const std::string& text) {
    std::fprintf(stderr, "avrsim ftd2xx: %s\n", text.c_str());
}
} // namespace

ftdi_bench::ftdi_bench(const char* target_path) {
    if (target_path == nullptr || target_path[0] == '\0') {
        complain("AVRSIM_TARGET is not set: no FTDI device present");
        return;
    }
    try {
        load(target_path);
    } catch (const std::exception& error) { // a damaged file, or one too large to hold
        complain(std::string(error.what()) + ": no FTDI device present");
        channels_.clear();
        chip_.reset();
        file_.reset();
        target_.reset();
    }
}

void ftdi_bench::load(const char* target_path) {
    target_path_ = target_path;
    target_ = load_target(target_path_);
    for (const auto& [key, value] : target_->extra) {
        std::string error;
        if (!apply_ftdi_key(config_, key, value, error)) {
            throw target_error(target_path_ + ": unknown key '" + key + "'");
        }
        if (!error.empty()) {
            throw target_error(target_path_ + ": " + error);
        }
    }
    if (const std::string timing = environment("AVRSIM_FTDI_TIMING"); !timing.empty()) {
        config_.real_time = timing == "real";
    }
    if (const std::string stats = environment("AVRSIM_FTDI_STATS"); !stats.empty()) {
        config_.stats_file = stats;
    }
    clock_.set_real_time(config_.real_time);
    file_ = std::make_unique<LiveTargetFile>(*target_, target_path_);
    chip_ = std::make_unique<ChipModel>(target_->chip, target_->settings, clock_);
    chip_->keep_writes_in(file_.get());
    const std::vector<ftdi_device_entry> devices = config_.device_list();
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const bool wired = static_cast<int>(i) == config_.target_device;
        channels_.push_back(std::make_unique<ftdi_channel>(
            devices[i], wired ? chip_.get() : nullptr, clock_, config_.wiring_of(devices[i].type)));
    }
}

ftdi_bench::~ftdi_bench() {
    if (file_) {
        try {
            file_->save();
        } catch (const std::exception& error) {
            complain(error.what());
        }
    }
    write_stats();
}

std::vector<ftdi_channel*> ftdi_bench::channels() const {
    std::vector<ftdi_channel*> found;
    for (const auto& channel : channels_) {
        const std::uint32_t usb_id = usb_id_of(*channel);
        if (is_ftdi_usb_id(usb_id) || usb_id == added_usb_id_) {
            found.push_back(channel.get());
        }
    }
    return found;
}

ftdi_channel* ftdi_bench::channel(void* handle) {
    for (const auto& channel : channels_) {
        if (channel.get() == handle && channel->open) {
            return channel.get();
        }
    }
    return nullptr;
}

double ftdi_bench::round_trip_us(const ftdi_channel& channel) {
    return mpsse_chip_of(channel.device.type) == mpsse_chip::ft2232c ? 1000.0 : 125.0;
}

void ftdi_bench::write_stats() const {
    if (config_.stats_file.empty()) {
        return;
    }
    std::uint64_t clocks = 0;
    for (const auto& channel : channels_) {
        clocks += channel->clocks();
    }
    std::ofstream out(config_.stats_file);
    // "name value" lines, as the other stand-in libraries write them.
    out << "usb_writes " << counts_.writes << "\n"
        << "usb_reads " << counts_.reads << "\n"
        << "bytes_written " << counts_.bytes_written << "\n"
        << "bytes_read " << counts_.bytes_read << "\n"
        << "sck_clocks " << clocks << "\n"
        << "bus_time_us " << static_cast<std::uint64_t>(clock_.total_us()) << "\n"
        << "latency_us " << static_cast<std::uint64_t>(counts_.latency_us) << "\n"
        << "target_in_reset " << (chip_ != nullptr && chip_->in_reset() ? 1 : 0) << "\n"
        << "stand_in_cpu_us " << counts_.cpu_us << "\n";
    if (!out) {
        complain("can't write " + config_.stats_file);
    }
}

} // namespace avrsim
