// Owner of a library loaded at run time.
#pragma once

#include "platform/shared_library.h"

#include <string>

namespace quarnel {

class dynamic_library_t {
  public:
    dynamic_library_t() = default;
    dynamic_library_t(const dynamic_library_t&) = delete;
    dynamic_library_t& operator=(const dynamic_library_t&) = delete;

    // Loads the library by path or file name; fails with
    // "Can't load library '<name>'" and the loader's reason (status 70).
    void load(const char* library_name);

    // Address of an exported function; fails with "Can't get function ..."
    // and the loader's reason (status 70).
    void* get_function(const char* function_name);

    // Address of an exported function, or null when the library has none (calls that only
    // some builds of a library offer).
    void* find_function(const char* function_name);

    const std::string& name() const { return library_name_copy; }

  private:
    std::string library_name_copy;
    platform::shared_library library;
};

// A typed function pointer from a library.
template <typename Function>
Function library_function(dynamic_library_t& library, const char* function_name) {
    return reinterpret_cast<Function>(library.get_function(function_name));
}

} // namespace quarnel
