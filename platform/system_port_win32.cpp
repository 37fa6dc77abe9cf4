// The port at a base address through the DLPortIO functions the program links against.
#include "platform/parallel_port.h"

#include <windows.h>

// The DLPortIO driver's calls (dlportio.def names them for the import library).
extern "C" {
UCHAR WINAPI DlPortReadPortUchar(ULONG port);
VOID WINAPI DlPortWritePortUchar(ULONG port, UCHAR value);
}

namespace platform {
namespace {

class linked_dlportio_port final : public parallel_port {
  public:
    explicit linked_dlportio_port(std::uint32_t address) : base(address) {}

    std::uint8_t read_register(unsigned offset) override {
        return DlPortReadPortUchar(base + offset);
    }

    void write_register(unsigned offset, std::uint8_t value) override {
        DlPortWritePortUchar(base + offset, value);
    }

    void write_data_block(const std::uint8_t* data, std::size_t len) override {
        for (std::size_t i = 0; i < len; ++i) {
            DlPortWritePortUchar(base, data[i]);
        }
    }

  private:
    std::uint32_t base;
};

} // namespace

std::unique_ptr<parallel_port> open_system_port(std::uint32_t base) {
    return std::make_unique<linked_dlportio_port>(base);
}

} // namespace platform
