// DLPortIO binding: the two byte-wide port calls of the library, looked up by name.
#include "dorvik/dlportio_binding.h"

#include "platform/shared_library.h"
#include "platform/system_error.h"

#include <cstdio>
#include <utility>

namespace dorvik {
namespace {

// The library's ULONG port argument is 32 bits wide on every host.
using read_port_fn = std::uint8_t (*)(std::uint32_t);
using write_port_fn = void (*)(std::uint32_t, std::uint8_t);

class DlPortIo final : public PortBackend {
  public:
    DlPortIo(platform::shared_library loaded, read_port_fn read_fn, write_port_fn write_fn)
        : library(std::move(loaded)), read(read_fn), write(write_fn) {}

    std::uint8_t read_port(std::uint32_t address) override { return read(address); }
    void write_port(std::uint32_t address, std::uint8_t value) override { write(address, value); }

  private:
    platform::shared_library library;
    read_port_fn read;
    write_port_fn write;
};

} // namespace

std::unique_ptr<PortBackend> open_dlportio_library(const char* library) {
    platform::shared_library handle(library);
    if (!handle.loaded()) {
        std::printf("Error load library %s: %s\n", library, platform::last_system_error().c_str());
        return nullptr;
    }
    const auto read = handle.function<read_port_fn>("DlPortReadPortUchar");
    const auto write =
        read != nullptr ? handle.function<write_port_fn>("DlPortWritePortUchar") : nullptr;
    if (read == nullptr || write == nullptr) {
        std::printf("Error library %s: %s\n", library, platform::last_system_error().c_str());
        return nullptr;
    }
    return std::make_unique<DlPortIo>(std::move(handle), read, write);
}

} // namespace dorvik
