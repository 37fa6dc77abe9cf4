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
        chips_.clear();
    }
}

namespace {
std::unique_ptr<bench_chip> load_chip(const std::string& path, bus_clock& clock) {
    auto chip = std::make_unique<bench_chip>();
    chip->path = path;
    chip->target = load_target(path);
    if (!chip->target.socket_dir.empty()) {
        chip->socket = std::make_unique<ChipSocket>(chip->target);
    } else {
        chip->file = std::make_unique<LiveTargetFile>(chip->target, chip->path);
    }
    chip->model = std::make_unique<ChipModel>(chip->target.chip, chip->target.settings, clock);
    if (chip->file) {
        chip->model->keep_writes_in(chip->file.get());
    }
    return chip;
}
} // namespace

void ftdi_bench::load(const char* target_path) {
    chips_.push_back(load_chip(target_path, clock_));
    const Target& target = chips_.front()->target;
    for (const auto& [key, value] : target.extra) {
        std::string error;
        if (!apply_ftdi_key(config_, key, value, error)) {
            throw target_error(std::string(target_path) + ": unknown key '" + key + "'");
        }
        if (!error.empty()) {
            throw target_error(std::string(target_path) + ": " + error);
        }
    }
    if (const std::string timing = environment("AVRSIM_FTDI_TIMING"); !timing.empty()) {
        config_.real_time = timing == "real";
    }
    if (const std::string stats = environment("AVRSIM_FTDI_STATS"); !stats.empty()) {
        config_.stats_file = stats;
    }
    clock_.set_real_time(config_.real_time);
    const std::vector<ftdi_device_entry> devices = config_.device_list();
    for (std::size_t i = 0; i < devices.size(); ++i) {
        channels_.push_back(std::make_unique<ftdi_channel>(
            devices[i], chip_for(i, devices[i]), clock_, config_.wiring_of(devices[i].type)));
    }
}

bench_chip* ftdi_bench::chip_for(std::size_t index, const ftdi_device_entry& device) {
    if (static_cast<int>(index) == config_.target_device) {
        return chips_.front().get();
    }
    const std::string own = "AVRSIM_TARGET_" + device.serial_number;
    const char* path = std::getenv(own.c_str());
    if (device.serial_number.empty() || path == nullptr || *path == '\0') {
        return nullptr;
    }
    chips_.push_back(load_chip(path, clock_));
    return chips_.back().get();
}

void ftdi_bench::before_transfer() {
    for (const auto& channel : channels_) {
        if (channel->open && channel->chip != nullptr) {
            bench_chip& chip = *channel->chip;
            chip.used = true;
            if (chip.socket) {
                chip.socket->before_access(*chip.model, clock_.now_us());
            }
        }
    }
}

// The bench file's chip is saved as before unless other channels have chips of their own:
// then each process saves only the chips it used, so that programs on different channels of
// one bench never write back each other's chips.
void ftdi_bench::save_chips() const {
    for (const auto& chip : chips_) {
        if (chips_.size() > 1 && !chip->used) {
            continue;
        }
        try {
            if (chip->socket) {
                chip->socket->save();
            } else {
                chip->file->save();
            }
        } catch (const std::exception& error) {
            complain(error.what());
        }
    }
}

ftdi_bench::~ftdi_bench() {
    save_chips();
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
        << "target_in_reset " << (!chips_.empty() && chips_.front()->model->in_reset() ? 1 : 0)
        << "\n"
        << "stand_in_cpu_us " << counts_.cpu_us << "\n";
    if (!out) {
        complain("can't write " + config_.stats_file);
    }
}

} // namespace avrsim
