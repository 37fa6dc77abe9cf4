// What every fuzz target shares: a silent console and one scratch file per process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Sends standard output to /dev/null and reads standard input from it (a
// question gets "no" at once). Called once, from the first input on.
void quiet_console();

// A temporary file of this process holding `data`; removed at exit.
const char* scratch_file(const std::uint8_t* data, std::size_t size);

// The input cut at line feeds into arguments.
std::vector<std::string> split_lines(std::string_view text);
