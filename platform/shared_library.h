// Run-time loading of shared libraries.
#pragma once

namespace platform {

// Loads a library by path or file name. Returns nullptr on failure and
// records the loader's reason (see system_error.h).
void* open_shared_library(const char* name);

// Address of an exported symbol, or nullptr (the reason is recorded).
void* find_library_symbol(void* library, const char* symbol);

void close_shared_library(void* library);

} // namespace platform
