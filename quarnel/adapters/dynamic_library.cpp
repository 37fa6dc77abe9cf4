// Run-time library loading with the program's error messages.
#include "quarnel/adapters/dynamic_library.h"

#include "platform/shared_library.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

dynamic_library_t::~dynamic_library_t() {
    platform::close_shared_library(handle);
}

void dynamic_library_t::load(const char* library_name) {
    platform::close_shared_library(handle);
    library_name_copy = library_name;
    handle = platform::open_shared_library(library_name);
    if (handle == nullptr) {
        console_log(0, "Can't load library '%s'\n", library_name);
        throw win32_error(EXIT_ENVIRONMENT);
    }
}

void* dynamic_library_t::find_function(const char* function_name) {
    return handle != nullptr ? platform::find_library_symbol(handle, function_name) : nullptr;
}

void* dynamic_library_t::get_function(const char* function_name) {
    void* address =
        handle != nullptr ? platform::find_library_symbol(handle, function_name) : nullptr;
    if (address == nullptr) {
        console_log(0, "Can't get function '%s' from library '%s'\n", function_name,
                    library_name_copy.c_str());
        throw win32_error(EXIT_ENVIRONMENT);
    }
    return address;
}
