// A chip of the FTDI bench, on the lines of one or more channels.
#pragma once

#include "sim/chip_model.h"
#include "sim/chip_socket.h"
#include "sim/live_target_file.h"
#include "sim/target_file.h"

#include <memory>
#include <string>

namespace avrsim {

// A chip on a channel's lines, from its target file (its writes kept there as it makes them) or
// from the socket that file names.
struct bench_chip {
    Target target;
    std::string path;
    std::unique_ptr<ChipSocket> socket;
    std::unique_ptr<LiveTargetFile> file; // without a socket
    std::unique_ptr<ChipModel> model;
    bool used = false; // its channel was opened: the file is saved at the end
};

} // namespace avrsim
