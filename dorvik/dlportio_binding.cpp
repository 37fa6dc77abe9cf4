// DLPortIO binding: the two byte-wide port calls of the library, looked up by name.
#include "dorvik/dlportio_binding.h"

#include "platform/shared_library.h"
#include "platform/system_error.h"

#include <cstdio>

namespace dorvik {
namespace {

// The library's ULONG port argument is 32 bits wide on every host.
using read_port_fn = std::uint8_t (*)(std::uint32_t);
using write_port_fn = void (*)(std::uint32_t, std::uint8_t);

class DlPortIo final : public PortBackend {
  public:
    DlPortIo(void* library, read_port_fn read, write_port_fn write)
        : library(library), read(read), write(write) {}
    ~DlPortIo() override { platform::close_shared_library(library); }
    DlPortIo(const DlPortIo&) = delete;
    DlPortIo& operator=(const DlPortIo&) = delete;

    std::uint8_t read_port(std::uint32_t address) override { return read(address); }
    void write_port(std::uint32_t address, std::uint8_t value) override { write(address, value); }

  private:
    void* library;
    read_port_fn read;
    write_port_fn write;
};

} // namespace

std::unique_ptr<PortBackend> open_dlportio_library(const char* library) {
    void* handle = platform::open_shared_library(library);
    if (handle == nullptr) {
        std::printf("Error load library %s: %s\n", library, platform::last_system_error().c_str());
        return nullptr;
    }
    void* read = platform::find_library_symbol(handle, "DlPortReadPortUchar");
    void* write =
        read != nullptr ? platform::find_library_symbol(handle, "DlPortWritePortUchar") : nullptr;
    if (read == nullptr || write == nullptr) {
        std::printf("Error library %s: %s\n", library, platform::last_system_error().c_str());
        platform::close_shared_library(handle);
        return nullptr;
    }
    return std::make_unique<DlPortIo>(handle, reinterpret_cast<read_port_fn>(read),
                                      reinterpret_cast<write_port_fn>(write));
}

} // namespace dorvik
