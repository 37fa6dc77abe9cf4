// The single commands given as argument 2.
#pragma once

#include "dorvik/command_line.h"
#include "dorvik/run_end.h"

namespace dorvik {

// Runs the first command that argument 2 matches; nothing when none does.
RunEnd run_command(const Args& args);

// Reads the fuse byte written by a -wlf, -whf or -wxf switch, or the lock
// byte of -wlb, and writes it. Used by the commands and by -wf.
enum class ByteTarget { fuse_low, fuse_high, fuse_ext, lock };
int write_byte_target(ByteTarget target, std::uint8_t value);

} // namespace dorvik
