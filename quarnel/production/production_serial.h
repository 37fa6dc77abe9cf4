// The serial-number file: the number of the next chip, shared by every run that programs one.
#pragma once

#include <cstdint>
#include <string>

namespace quarnel {

class SerialNumberFile {
  public:
    // Reads the number of `name` under the file's lock. With `reserve` the
    // file holds the next number before this returns, so that no other run
    // can take this one. Failures print their message and end the run (70
    // cannot open, 50 cannot read or write).
    void take(const std::string& name, bool reserve);
    std::uint32_t number() const { return value; }

    // The run has programmed its chip: a reserved number stays used.
    void keep() { reserved = false; }
    // The run failed: a reserved number goes back to the file when the file
    // still holds the one after it (no later run took a number); otherwise it
    // stays unused, and a line says so. Raises nothing and keeps errno.
    void give_back();

  private:
    std::string name;
    std::uint32_t value = 0;
    bool reserved = false;
};

} // namespace quarnel
