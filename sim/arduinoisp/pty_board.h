// An Arduino board running the ArduinoISP sketch, on a pseudo-terminal: the UART at its baud
// rate (ten bits a byte each way, a transmit buffer of 64 bytes), the reset each time a
// program opens the port (what arrives while the bootloader runs is lost) and faults: a board
// that never answers, or one that answers garbage or goes silent after some commands.
#pragma once

#include "sim/arduinoisp/isp_sketch.h"
#include "sim/target_session.h"

#include <cstdint>
#include <deque>
#include <string>

namespace avrsim {

struct board_settings {
    unsigned baud = 19200;
    double boot_ms = 1000.0;    // from the reset until the sketch listens
    double sck_hz = 125000.0;   // the sketch's SPI clock on a 16 MHz board
    double page_wait_ms = 30.0; // after each page write, while its LED flickers; 0: none
    bool silent = false;        // no sketch: nothing ever answers
    long garbage_after = -1;    // commands answered before the answers turn to garbage
    long stall_after = -1;      // commands answered before the board goes silent
};

// Reads "key=value" options (baud, boot_ms, sck_hz, page_wait_ms, fault=silent|garbage,
// garbage_after, stall_after); throws target_error for others.
board_settings parse_board_settings(int count, char** options);

class pty_board final : public sketch_line {
  public:
    pty_board(TargetSession& session, const board_settings& settings);
    ~pty_board() override;
    pty_board(const pty_board&) = delete;
    pty_board& operator=(const pty_board&) = delete;

    // The slave side's path, for the programmer to open.
    const std::string& path() const { return path_; }
    // Runs the sketch until `stop` becomes true (a signal handler's flag).
    void serve(const volatile bool& stop);

    std::uint8_t getch() override;
    void put(std::uint8_t byte) override;
    void delay_ms(double ms) override;
    void spin_us(double us) override { busy_wait_us(session_.clock(), us); }
    void service() override;

  private:
    struct timed_byte {
        std::uint8_t value;
        double at_us;
    };
    // Takes in what the master has, sends what is due, and notes an open or close of the
    // slave; an open (or the stop flag) ends the sketch's pass by an exception.
    void pump(double wait_us);
    void boot();

    TargetSession& session_;
    board_settings settings_;
    isp_sketch sketch_;
    int master_ = -1;
    std::string path_;
    double byte_us_;
    bool client_ = false; // a program has the port open
    bool opened_ = false; // it was opened since the last reset
    const volatile bool* stop_ = nullptr;
    double last_in_us_ = 0.0;
    double last_out_us_ = 0.0;
    std::deque<timed_byte> in_;
    std::deque<timed_byte> out_;
    long commands_ = 0;
};

} // namespace avrsim
