// LoadLibraryA/GetProcAddress/FreeLibrary with the system's message as the recorded reason.
#include "platform/shared_library.h"

#include "platform/win32_text.h"

#include <windows.h>

namespace platform {

shared_library::shared_library(const char* name) : handle(LoadLibraryA(name)) {
    if (handle == nullptr) {
        record_last_error();
    }
}

shared_library::~shared_library() {
    if (handle != nullptr) {
        FreeLibrary(static_cast<HMODULE>(handle));
    }
}

shared_library& shared_library::operator=(shared_library&& other) noexcept {
    if (this != &other) {
        if (handle != nullptr) {
            FreeLibrary(static_cast<HMODULE>(handle));
        }
        handle = std::exchange(other.handle, nullptr);
    }
    return *this;
}

void* shared_library::symbol(const char* name) const {
    if (handle == nullptr) {
        return nullptr;
    }
    void* address = reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
    if (address == nullptr) {
        record_last_error();
    }
    return address;
}

} // namespace platform
