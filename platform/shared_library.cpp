// dlopen/dlsym/dlclose with dlerror() as the recorded reason.
#include "platform/shared_library.h"

#include "platform/system_error.h"

#include <dlfcn.h>

namespace platform {
namespace {
void record_dlerror() {
    const char* reason = dlerror();
    record_system_error(reason != nullptr ? reason : "unknown loader error");
}
} // namespace

void* open_shared_library(const char* name) {
    void* lib = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr) {
        record_dlerror();
    }
    return lib;
}

void* find_library_symbol(void* library, const char* symbol) {
    dlerror();
    void* address = dlsym(library, symbol);
    if (address == nullptr) {
        record_dlerror();
    }
    return address;
}

void close_shared_library(void* library) {
    if (library != nullptr) {
        dlclose(library);
    }
}

} // namespace platform
