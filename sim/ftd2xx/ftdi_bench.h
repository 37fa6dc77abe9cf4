// The virtual FTDI bench of one process: the devices plugged in, the open channels, the target
// chip on one of them, USB counts and injected faults. Loaded from a target file, which keeps
// each write of the chip at once; the counts are saved when the bench is destroyed.
#pragma once

#include "sim/chip_model.h"
#include "sim/ftd2xx/bus_clock.h"
#include "sim/ftd2xx/ftdi_bench_config.h"
#include "sim/ftd2xx/ftdi_channel.h"
#include "sim/live_target_file.h"
#include "sim/target_file.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace avrsim {

struct usb_counts {
    std::uint64_t writes = 0;
    std::uint64_t reads = 0;
    std::uint64_t bytes_written = 0;
    std::uint64_t bytes_read = 0;
    double latency_us = 0;   // round trips, latency-timer holds and read time-outs
    std::int64_t cpu_us = 0; // processor time spent in transfers, in the program's process
};

class ftdi_bench {
  public:
    explicit ftdi_bench(const char* target_path);
    ~ftdi_bench();
    ftdi_bench(const ftdi_bench&) = delete;
    ftdi_bench& operator=(const ftdi_bench&) = delete;

    // The channels the library finds: those with FTDI's own USB IDs or the ones FT_SetVIDPID
    // named, in the order they are plugged in.
    std::vector<ftdi_channel*> channels() const;
    // Every channel plugged in, whatever its USB IDs (libusb sees them all).
    const std::vector<std::unique_ptr<ftdi_channel>>& all_channels() const { return channels_; }
    // FT_SetVIDPID: the library also finds devices with these IDs.
    void add_usb_id(std::uint32_t vendor, std::uint32_t product) {
        added_usb_id_ = vendor << 16 | product;
    }
    std::uint32_t usb_id_of(const ftdi_channel& channel) const {
        return config_.usb_id_of(channel.device);
    }
    // The channel behind a handle, or nullptr for a handle this bench never gave out.
    ftdi_channel* channel(void* handle);

    // True when call number `call` (from 1) of reads or writes is hit by `fault`.
    bool fault_hits(usb_fault fault, std::uint64_t call) const {
        return config_.fault == fault && call >= static_cast<std::uint64_t>(config_.fault_after);
    }

    // USB round-trip time of a channel: one frame at full speed, one microframe at high speed.
    static double round_trip_us(const ftdi_channel& channel);

    bus_clock& clock() { return clock_; }
    usb_counts& counts() { return counts_; }

    // Before each transfer: the chips of open channels are in use, and their sockets' handlers
    // may move.
    void before_transfer();

  private:
    void load(const char* target_path);
    // The chip on channel `index`: the bench file's own on the target channel; on any other,
    // the one of AVRSIM_TARGET_<serial number> when that is set; else none.
    bench_chip* chip_for(std::size_t index, const ftdi_device_entry& device);
    void save_chips() const;
    void write_stats() const;

    ftdi_bench_config config_;
    bus_clock clock_;
    std::vector<std::unique_ptr<bench_chip>> chips_; // the bench file's own first
    std::vector<std::unique_ptr<ftdi_channel>> channels_;
    std::uint32_t added_usb_id_ = 0;
    usb_counts counts_;
};

} // namespace avrsim
