// Runs of the built dorvik from its own folder, against a virtual target or an empty port.
#pragma once

#include "tests/support/run_program.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// A temporary folder holding a copy of dorvik, a dorvik.ini and a target file. It is also the
// working directory of the runs, and this dorvik's installed configuration is its etc/quarnel.
class DorvikFolder {
  public:
    // `ini` is the content of dorvik.ini; nothing: no ini file.
    explicit DorvikFolder(const char* ini = "378\n");

    // Creates the target file: `avrsim new target CHIP adapter=dorvik KEYS...`.
    void make_target(const std::string& chip, const std::vector<std::string>& keys = {});
    // Runs avrsim with the given arguments; fails the test on a non-zero status.
    std::string avrsim(const std::vector<std::string>& args);
    // The chip's flash or EEPROM as bytes (read through avrsim and quarnel's HEX reader).
    std::vector<std::uint8_t> memory(const std::string& which, std::size_t size);

    // Runs dorvik with the stand-in port on the target file.
    ProgramResult run(const std::vector<std::string>& args);
    // Runs dorvik with a port that has nothing on it and notes the address used.
    ProgramResult run_on_empty_port(const std::vector<std::string>& args);
    // The port address the last empty-port run used first, or "" when it used none.
    std::string recorded_port();

    std::string file(const std::string& name) const { return dir.file(name); }

  private:
    ProgramResult run_with(const std::vector<std::string>& args,
                           std::map<std::string, std::string> env);
    TempDir dir;
};

// Bytes of a HEX file as an image of `size` bytes filled with 0xFF.
std::vector<std::uint8_t> hex_image(const std::string& path, std::size_t size);
