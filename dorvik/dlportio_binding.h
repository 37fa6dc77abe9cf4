// Port access through a DLPortIO-compatible library loaded at run time.
#pragma once

#include "dorvik/port_access.h"

#include <memory>

namespace dorvik {

// Loads `library` and binds DlPortReadPortUchar and DlPortWritePortUchar.
// Returns nullptr after printing the library and the loader's reason.
std::unique_ptr<PortBackend> open_dlportio_library(const char* library);

} // namespace dorvik
