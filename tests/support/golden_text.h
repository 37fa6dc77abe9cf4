// Expected texts kept as files below tests/data, as the programs print them.
#pragma once

#include <string>

// The whole content of tests/data/`name` (e.g. "quarnel/usage.txt"), byte for byte; throws
// std::runtime_error when the file cannot be read.
std::string golden_text(const std::string& name);
