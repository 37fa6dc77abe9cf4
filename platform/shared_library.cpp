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

shared_library::shared_library(const char* name) : handle(dlopen(name, RTLD_NOW | RTLD_LOCAL)) {
    if (handle == nullptr) {
        record_dlerror();
    }
}

shared_library::~shared_library() {
    if (handle != nullptr) {
        dlclose(handle);
    }
}

shared_library& shared_library::operator=(shared_library&& other) noexcept {
    if (this != &other) {
        if (handle != nullptr) {
            dlclose(handle);
        }
        handle = std::exchange(other.handle, nullptr);
    }
    return *this;
}

void* shared_library::symbol(const char* name) const {
    if (handle == nullptr) {
        return nullptr;
    }
    dlerror();
    void* address = dlsym(handle, name);
    if (address == nullptr) {
        record_dlerror();
    }
    return address;
}

} // namespace platform
