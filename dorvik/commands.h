// The single commands given as argument 2.
#pragma once

#include "dorvik/run_end.h"

#include <cstdint>

namespace dorvik {

// Runs the command of argument 2; nothing when it names none.
RunEnd run_command();

// Reads the fuse byte written by a -wlf, -whf or -wxf switch, or the lock
// byte of -wlb, and writes it. Used by the commands and by -wf.
enum class ByteTarget { fuse_low, fuse_high, fuse_ext, lock };
int write_byte_target(ByteTarget target, std::uint8_t value);

} // namespace dorvik
