// An spi_t that records every call and byte and answers like a simple AVR in serial programming
// mode.
#pragma once

#include "quarnel/adapters/spi.h"
#include "quarnel/isp/instruction.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

using namespace quarnel;

class RecordingSpi : public spi_t {
  public:
    enum class Kind {
        transfer_buffer,
        send_buffer,
        send_then_transfer, // packet-based only: a bit-banged adapter sends, then transfers
        transfer_byte,
        send_byte,
        receive_byte,
        set_reset,
        reset_pulse,
        sck_pulse,
        delay,
        power_on,
        power_off,
        enable,
        disable,
        led_ok,
        led_error,
    };
    struct Call {
        Call(Kind k, std::vector<std::uint8_t> b = {}, float m = 0, bool o = false)
            : kind(k), bytes(std::move(b)), ms(m), on(o) {}
        Kind kind;
        std::vector<std::uint8_t> bytes; // bytes sent by an SPI call
        float ms;                        // delay
        bool on;                         // set_reset, LEDs
    };

    // Adapter features.
    bool packet = true;
    bool power = false;
    bool buffer_enable = false;

    // Chip behaviour.
    bool silent = false;          // answers 0xFF to everything (no chip, or out of step)
    bool echo_enable = true;      // programming enable answers 0x53 (off: DEV_NO_ECHO chips)
    int answer_after_pulses = -1; // in step after this many SCK pulses (-1: as `silent` says)
    std::uint32_t signature = 0x1E950F;
    int page_size = 0; // flash loads go to a page buffer when not 0
    std::vector<std::uint8_t> flash = std::vector<std::uint8_t>(0x40000, 0xFF);
    std::vector<std::uint8_t> eeprom = std::vector<std::uint8_t>(4096, 0xFF);
    // Fuse and lock bytes by the first two read instruction bytes (e.g. 0x5800 lock).
    std::map<std::uint16_t, std::uint8_t> fuses;
    std::uint8_t calibration[4] = {0x9A, 0x9B, 0x9C, 0x9D};
    bool always_busy = false; // RDY/BSY never clears, polled data never matches
    int busy_polls = 0;       // RDY/BSY answers busy this many times after each write
    // Called with every complete instruction before the chip acts on it.
    std::function<void(const Instruction&)> on_instruction;

    std::vector<Call> calls;

    // Every byte sent, cut into 4-byte instructions.
    std::vector<Instruction> instructions() const;
    // Number of calls of one kind; instructions starting with `opcode`.
    int count(Kind kind) const;
    int count_opcode(std::uint8_t opcode) const;

    bool is_packet_based() override { return packet; }
    std::uint8_t transfer_byte(std::uint8_t out) override;
    void send_byte(std::uint8_t out) override;
    std::uint8_t receive_byte() override;
    void transfer_buffer(const std::uint8_t* out, std::uint8_t* in, int len) override;
    void send_buffer(const std::uint8_t* out, int len) override;
    void send_then_transfer(const std::uint8_t* send, int send_len, const std::uint8_t* out,
                            std::uint8_t* in, int len) override;
    void set_reset(bool active) override;
    void reset_pulse() override;
    void sck_pulse() override;
    void delay_ms(float ms) override;
    bool has_power() override { return power; }
    void power_on() override;
    void power_off() override;
    bool has_enable() override { return buffer_enable; }
    void enable() override;
    void disable() override;
    void set_led_ok(bool on) override;
    void set_led_error(bool on) override;
    bool has_key() override { return false; }
    bool key_pressed() override { return false; }
    float sck_frequency() override { return 1.0f; }
    const char* name() override { return "recording"; }

  private:
    std::uint8_t clock(std::uint8_t out);
    std::uint8_t reply_byte(int index) const;
    std::uint8_t read_data() const;
    void execute();
    bool in_step() const;

    std::vector<std::uint8_t> sent;
    Instruction frame{};
    int position = 0;
    int pulses = 0;
    int busy_left = 0;
    long extended = 0;
    std::map<long, std::uint8_t> page_buffer;
};
