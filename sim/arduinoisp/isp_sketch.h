// The ArduinoISP sketch on a board: its STK500 command loop, its buffer and page handling, its
// waits, and its SPI transactions clocked pin by pin into the chip model at the sketch's SCK.
#pragma once

#include "sim/chip_model.h"

#include <cstdint>

namespace avrsim {

// The board's serial line and time as the sketch sees them.
class sketch_line {
  public:
    virtual ~sketch_line() = default;
    // The next byte the UART took in; waits for it.
    virtual std::uint8_t getch() = 0;
    // Into the UART's transmit buffer; waits while it is full.
    virtual void put(std::uint8_t byte) = 0;
    virtual void delay_ms(double ms) = 0;
    // A short wait the sketch spins through (an SPI clock phase).
    virtual void spin_us(double us) = 0;
    // Between two SPI transactions: the UART's buffers move on.
    virtual void service() = 0;
};

class isp_sketch {
  public:
    // `page_wait_ms`: the sketch's wait after a page write (its programming LED's flicker);
    // built without the flicker it waits none.
    isp_sketch(ChipModel& chip, sketch_line& line, double sck_hz, double page_wait_ms);

    // One pass of the sketch's loop: a command read and answered.
    void step();
    // The board's reset: the sketch starts again and its pins float (RESET released).
    void restart();

  private:
    std::uint8_t spi_transaction(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d);
    std::uint8_t spi_byte(std::uint8_t out);
    void put_text(const char* text);
    void empty_reply();
    void byte_reply(std::uint8_t value);
    void fill(unsigned count);
    void start_pmode();
    void end_pmode();
    void set_parameters();
    unsigned current_page() const;
    void commit(unsigned address);
    void program_page();
    void read_page();
    void universal();
    void read_signature();

    ChipModel& chip_;
    sketch_line& line_;
    double half_period_us_;
    double page_wait_ms_;

    bool pmode_ = false;
    unsigned here_ = 0; // a word address
    unsigned page_size_ = 0;
    unsigned eeprom_size_ = 0;
    std::uint8_t buff_[256] = {};
};

} // namespace avrsim
