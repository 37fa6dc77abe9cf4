// One dorvik run from the command line to the exit status.
#pragma once

#include "dorvik/command_line.h"

#include <string>

namespace dorvik {

// Exit status of a run that went through (commands that did nothing included).
inline constexpr int EXIT_DONE = 0;
// Exit status after an error.
inline constexpr int EXIT_ERROR = -1;
// Exit status after a fuse or lock byte that did not take.
inline constexpr int EXIT_BYTE_WRITE = 255;

// Carries out the run that `args` (program name first) asks for. `config_dir` is the folder
// of the installed dorvik.ini, read when there is none beside the executable (empty: none).
int run(const Args& args, const std::string& config_dir);

} // namespace dorvik
