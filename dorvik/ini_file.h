// The port address kept in "dorvik.ini" beside the executable.
#pragma once

#include <cstdint>
#include <string>

namespace dorvik {

// Path of "dorvik.ini": the directory of the running executable.
std::string ini_file_path();

// Reads the port address (three hex digits) from the initialisation file into
// state.lpt_base. 0, or -1 after "Error find file dorvik.ini\n" or
// "Error read file dorvik.ini\n". Text that is no hex number leaves
// state.lpt_base at 0.
int read_ini_port();

// The port address that the first three characters of `text` give, or 0.
std::uint32_t ini_port_value(const std::string& text);

} // namespace dorvik
