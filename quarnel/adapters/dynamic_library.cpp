// Run-time library loading with the program's error messages.
#include "quarnel/adapters/dynamic_library.h"

#include "platform/shared_library.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

namespace quarnel {

void dynamic_library_t::load(const char* library_name) {
    library = platform::shared_library();
    library_name_copy = library_name;
    library = platform::shared_library(library_name);
    if (!library.loaded()) {
        console_log(0, "Can't load library '%s'\n", library_name);
        throw win32_error(EXIT_ENVIRONMENT);
    }
}

void* dynamic_library_t::find_function(const char* function_name) {
    return library.symbol(function_name);
}

void* dynamic_library_t::get_function(const char* function_name) {
    void* address = library.symbol(function_name);
    if (address == nullptr) {
        console_log(0, "Can't get function '%s' from library '%s'\n", function_name,
                    library_name_copy.c_str());
        throw win32_error(EXIT_ENVIRONMENT);
    }
    return address;
}

} // namespace quarnel
