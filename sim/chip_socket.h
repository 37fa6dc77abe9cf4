// A socket on the programmer's lines that a handler fills from a folder of chip files.
#pragma once

#include <string>

#include "sim/chip_model.h"
#include "sim/target_file.h"

namespace avrsim {

// The chips are the files DIR/*.avr of the holder's `socket` folder, taken in name order. The
// first one is in the socket from the start. Each time the programmer leaves the lines alone
// for the holder's socket_idle_ms with the chip out of reset (the operator's hand), the hand
// moves: a chip in the socket leaves it (saved to its file, which moves to DIR/done), or the
// next chip enters an empty socket. With no chip left, the socket stays empty (faults=absent).
class ChipSocket {
  public:
    // `holder` is the target on the lines: each chip's memories and chip settings replace
    // its own. Throws target_error for a chip file that cannot be read.
    explicit ChipSocket(Target& holder);

    // Before each access of the programmer at time `now_us`.
    void before_access(ChipModel& chip, double now_us);
    // Saves the chip still in the socket to its file; throws target_error.
    void save() const;

  private:
    void take_next();

    Target& holder_;
    std::string folder_;
    Target chip_file_;      // the file of the chip in the socket, as read
    std::string chip_path_; // empty: nothing in the socket
    double last_access_us_ = -1.0;
};

} // namespace avrsim
