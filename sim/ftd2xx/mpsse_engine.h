// The MPSSE engine of one FTDI chip channel: command interpretation, GPIO lines, SPI clocking.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

namespace avrsim {

// What is wired to the channel's 16 GPIO lines (bit n: ADBUS/DBUS n for n < 8, ACBUS/CBUS
// n - 8 above). Lines that nobody drives read high (pull-ups).
class gpio_wiring {
  public:
    virtual ~gpio_wiring() = default;
    // Called whenever the level of a line the chip drives changes; `outputs` has a bit set for
    // each line the chip drives, `levels` their levels.
    virtual void drive(std::uint16_t levels, std::uint16_t outputs) = 0;
    // Levels of the lines as the chip reads them.
    virtual std::uint16_t sense() = 0;
    // The bus time moves on by `us` microseconds (one SCK phase, a GPIO write).
    virtual void advance_us(double us) = 0;
};

enum class mpsse_chip { ft2232c, ft2232h, ft4232h, ft232h };

class mpsse_engine {
  public:
    mpsse_engine(mpsse_chip chip, gpio_wiring& wiring);

    // FT_SetBitMode: mode 2 starts the engine with every line an input; any other mode stops
    // it and releases the lines.
    void set_bit_mode(std::uint8_t mode);
    bool active() const { return active_; }

    // Interprets bytes written by the host. A command cut at the end of a write continues
    // with the next one, as on the chip.
    void write(const std::uint8_t* data, std::size_t size);

    // Bytes the chip has ready for the host.
    std::deque<std::uint8_t>& replies() { return replies_; }
    // True when the engine saw Send Immediate after the last reply byte (otherwise the chip
    // holds a short reply back until its latency timer expires).
    bool flushed() const { return flushed_; }

    void purge_replies() { replies_.clear(); }
    // Drops a command cut short by the end of a write.
    void purge_commands() { pending_.clear(); }

    // SCK frequency in Hz with the present divisor and divide-by-5 setting.
    double sck_hz() const;
    // SCK clocks given since the engine started.
    std::uint64_t clocks() const { return clocks_; }
    // Commands the engine rejected (each answered with 0xFA and the command).
    std::uint64_t bad_commands() const { return bad_commands_; }

  private:
    // Length of the complete command at `offset` in `pending_`, or 0 when more is needed.
    std::size_t command_length(std::size_t offset) const;
    void execute(const std::uint8_t* command);
    void shift(std::uint8_t opcode, const std::uint8_t* data, int bits_per_unit, int units);
    int shift_bits(std::uint8_t opcode, std::uint8_t out, int bits);
    void set_line(std::uint16_t line, bool high);
    void apply_lines();
    void reply(std::uint8_t byte);
    bool has_high_byte() const { return chip_ != mpsse_chip::ft4232h; }
    bool is_h_chip() const { return chip_ != mpsse_chip::ft2232c; }

    mpsse_chip chip_;
    gpio_wiring& wiring_;
    bool active_ = false;
    std::vector<std::uint8_t> pending_;
    std::deque<std::uint8_t> replies_;
    bool flushed_ = true;
    std::uint16_t values_ = 0;
    std::uint16_t directions_ = 0;
    std::uint16_t divisor_ = 0;
    bool divide_by_5_ = true;
    bool loopback_ = false;
    std::uint64_t clocks_ = 0;
    std::uint64_t bad_commands_ = 0;
};

} // namespace avrsim
