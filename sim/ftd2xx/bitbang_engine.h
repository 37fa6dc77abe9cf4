// The bit-bang modes of the FT232R and X-series chips: each byte written drives the output
// lines for one period of the bit-bang clock; in synchronous mode (0x04) the chip first takes
// a sample of all eight lines and sends it to the host, so that the sample of byte n shows
// the lines as byte n - 1 left them.
#pragma once

#include "sim/ftd2xx/mpsse_engine.h"

#include <cstdint>
#include <deque>

namespace avrsim {

class bitbang_engine {
  public:
    explicit bitbang_engine(gpio_wiring& wiring) : wiring_(wiring) {}

    // Mode 0x01 (asynchronous) or 0x04 (synchronous) with `mask` naming the outputs; any other
    // mode stops bit-bang and releases the lines.
    void set_bit_mode(std::uint8_t mask, std::uint8_t mode);
    bool active() const { return mode_ != 0; }
    bool synchronous() const { return mode_ == sync_mode; }

    // The baud rate the chip's divisor makes; the bit-bang clock runs at four times it (a
    // rate set in a bit-bang mode is asked of the chip times four: 16 bytes a baud).
    void set_baud_rate(double baud) { baud_ = baud; }
    double byte_clock_hz() const { return 4.0 * baud_; }

    // Clocks the bytes out, one bit-bang period each.
    void write(const std::uint8_t* data, std::size_t size);

    // Samples waiting for the host.
    std::deque<std::uint8_t>& replies() { return replies_; }
    // The chip sends full packets (62 samples and two status bytes) at once and a short last
    // one only when its latency timer runs out.
    bool flushed() const { return replies_.size() % samples_per_packet == 0; }
    void purge_replies() { replies_.clear(); }

    // The eight lines as they are now.
    std::uint8_t pins() const { return static_cast<std::uint8_t>(wiring_.sense() & 0xFF); }
    std::uint64_t bytes_clocked() const { return clocked_; }

    static constexpr std::uint8_t async_mode = 0x01;
    static constexpr std::uint8_t sync_mode = 0x04;
    static constexpr std::size_t samples_per_packet = 62;
    // Bytes a full-speed chip holds in synchronous bit-bang while the host does not read: its
    // FIFOs of 256 samples towards the host and 128 bytes from it. Then it stops clocking.
    static constexpr std::size_t fifo_room = 256 + 128;

  private:
    gpio_wiring& wiring_;
    std::uint8_t mode_ = 0;
    std::uint8_t outputs_ = 0;
    std::uint8_t latch_ = 0xFF;
    double baud_ = 9600.0;
    std::deque<std::uint8_t> replies_;
    std::uint64_t clocked_ = 0;
};

} // namespace avrsim
