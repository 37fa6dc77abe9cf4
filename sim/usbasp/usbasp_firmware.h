// The firmware of a USBasp with a virtual chip on its ISP lines: what each vendor request does to
// the lines, with the firmware's own waits, block counting and address handling. Bus time moves
// on `clock` as the lines change.
#pragma once

#include "sim/chip_model.h"
#include "sim/ftd2xx/bus_clock.h"

#include <cstdint>

namespace avrsim {

struct usbasp_setup {
    std::uint8_t request;
    std::uint16_t value;
    std::uint16_t index;
    std::uint16_t length;
};

class usbasp_firmware {
  public:
    // `chip` may be null: nothing on the ISP lines. `can_set_sck`: firmware with SETISPSCK and
    // GETCAPABILITIES (from 2009 on); older firmware answers neither.
    usbasp_firmware(ChipModel* chip, bus_clock& clock, bool can_set_sck);

    // The setup stage of a request: returns the bytes of an answer made at once (TRANSMIT,
    // SETISPSCK...), written to `reply`; -1 when the data stage goes through read()/write().
    int setup(const usbasp_setup& setup, std::uint8_t* reply);
    // Data stage: the next `count` bytes the host reads, or those it wrote.
    void read(std::uint8_t* data, int count);
    void write(const std::uint8_t* data, int count);

    // Lines as the firmware left them.
    bool driving() const { return connected_; }

  private:
    enum class state { idle, read_flash, read_eeprom, write_flash, write_eeprom };

    std::uint8_t transmit(std::uint8_t byte);
    void send(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d);
    std::uint8_t exchange(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d);
    void wait_us(double us) { clock_.advance_us(us); }
    void connect();
    void disconnect();
    std::uint8_t enter_programming();
    void set_extended(long address);
    std::uint8_t read_flash(long address);
    void load_flash(long address, std::uint8_t value);
    void poll_flash(long address, std::uint8_t value);
    void flush_page(long address, std::uint8_t value);
    void write_eeprom(long address, std::uint8_t value);

    ChipModel* chip_;
    bus_clock& clock_;
    bool can_set_sck_;
    bool connected_ = false;
    std::uint8_t sck_option_ = 0;
    double half_period_us_ = 0;
    state state_ = state::idle;
    long address_ = 0;
    bool long_address_ = false;
    int hiaddr_ = -1;
    long bytes_left_ = 0;
    long page_size_ = 0;
    long page_counter_ = 0;
    std::uint8_t block_flags_ = 0;
};

} // namespace avrsim
