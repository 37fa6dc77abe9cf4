// The serial-number file: the number of the next chip, kept open while a run uses it.
#pragma once

#include "quarnel/image/file_handle.h"

#include <cstdint>
#include <string>

class SerialNumberFile {
  public:
    // Opens `name` for reading and updating and reads its number. Failures
    // print their message and end the run (70 cannot open, 50 cannot read).
    void open(const std::string& name);
    bool is_open() const { return file != nullptr; }
    std::uint32_t number() const { return value; }

    // Replaces the file's content with the next number and a line end, through
    // a new file that takes the old one's place only when complete. A failure
    // prints the next number, so that it is not lost, and ends the run (50).
    void advance();
    void close() { file.reset(); }

  private:
    std::string name;
    file_handle file;
    std::uint32_t value = 0;
};
