// The port address kept in "dorvik.ini" beside the executable (or in the installed configuration).
#pragma once

#include <cstdint>
#include <string>

namespace dorvik {

// Path of "dorvik.ini": the directory of the running executable.
std::string ini_file_path();

// Reads the port address (three hex digits) into state.lpt_base from the initialisation file
// beside the executable or, when there is none there, from "dorvik.ini" in `config_dir` (the
// installed configuration folder; empty: none). 0, or -1 after "Error find file dorvik.ini\n"
// (and a line naming where it looked) or "Error read file dorvik.ini\n". Text that is no hex number
// leaves state.lpt_base at 0.
int read_ini_port(const std::string& config_dir);

// `config_dir` when the running dorvik is the installed one (it runs from `install_bindir`),
// else empty: another dorvik must not take up the installed configuration.
std::string installed_config_dir(const std::string& install_bindir, const std::string& config_dir);

// The port address that the first three characters of `text` give, or 0.
std::uint32_t ini_port_value(const std::string& text);

} // namespace dorvik
