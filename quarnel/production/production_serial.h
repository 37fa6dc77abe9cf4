// The serial-number file: the number of the next chip, shared by every run that programs one.
#pragma once

#include <cstdint>
#include <string>

namespace quarnel {

class SerialNumberFile {
  public:
    // Reads the number of `name` under the file's lock, saying so while another program holds
    // it (a user break then ends the wait, 80). The number must fit in `bytes` bytes. With
    // `reserve` the file holds the next number before this returns, so that no other run can
    // take this one; the lines after the number stay as they are. Failures print their message
    // and end the run, the file unchanged (70 cannot open or the number does not fit, 50
    // cannot read or write).
    void take(const std::string& name, bool reserve, unsigned bytes);
    std::uint32_t number() const { return value; }

    // The chip may hold the number from now on: it is never given back.
    void reaches_chip() { on_chip = reserved; }
    // The run has programmed its chip: a reserved number stays used.
    void keep() {
        kept = reserved;
        reserved = false;
    }
    // Whether the chip holds the number: kept by a passed run, or one that reached the chip
    // before the run failed.
    bool number_used() const { return kept || on_chip; }
    // The run failed: a reserved number the chip may hold stays used, and a line says so.
    // One that never reached the chip goes back to the file when the file still holds the one
    // after it (no later run took a number); otherwise it stays unused, and a line says so.
    // Raises nothing and keeps errno.
    void give_back();

  private:
    std::string name;
    std::uint32_t value = 0;
    bool reserved = false;
    bool on_chip = false;
    bool kept = false;
};

} // namespace quarnel
