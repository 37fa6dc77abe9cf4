// Run-time loading of shared libraries, through one owning handle.
#pragma once

#include <utility>

namespace platform {

// A library loaded by path or file name, unloaded when the handle goes. Failures
// leave the handle empty (or the symbol null) and record the loader's reason
// (see system_error.h).
class shared_library {
  public:
    shared_library() = default;
    explicit shared_library(const char* name);
    ~shared_library();
    shared_library(shared_library&& other) noexcept
        : handle(std::exchange(other.handle, nullptr)) {}
    shared_library& operator=(shared_library&& other) noexcept;
    shared_library(const shared_library&) = delete;
    shared_library& operator=(const shared_library&) = delete;

    bool loaded() const { return handle != nullptr; }

    // Address of an exported symbol, or nullptr.
    void* symbol(const char* name) const;

    // The symbol as a function pointer of type `Function`, or nullptr.
    template <typename Function> Function function(const char* name) const {
        return reinterpret_cast<Function>(symbol(name));
    }

  private:
    void* handle = nullptr;
};

} // namespace platform
