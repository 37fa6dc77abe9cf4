// Parallel port through a DLPortIO-compatible library loaded at run time.
#pragma once

#include "quarnel/adapters/dynamic_library.h"
#include "quarnel/adapters/lpt/lpt.h"

#include <cstdint>
#include <memory>

namespace quarnel {

// The library and its port functions (the block write may be absent).
struct dlportio_t {
    // Loads `library_name` and binds its functions.
    explicit dlportio_t(const char* library_name);

    using write_uchar_fn = void (*)(std::uint32_t port, std::uint8_t value);
    using read_uchar_fn = std::uint8_t (*)(std::uint32_t port);
    using write_buffer_fn = void (*)(std::uint32_t port, std::uint8_t* buffer, std::uint32_t count);

    dynamic_library_t library;
    write_uchar_fn DlPortWritePortUchar = nullptr;
    read_uchar_fn DlPortReadPortUchar = nullptr;
    write_buffer_fn DlPortWritePortBufferUchar = nullptr;
};

class lpt_dlportio_t final : public lpt_t {
  public:
    lpt_dlportio_t(std::unique_ptr<dlportio_t> binding, std::uint32_t base);
    ~lpt_dlportio_t() override;

    std::uint8_t read_register(std::uint8_t offset) override;
    void write_register(std::uint8_t offset, std::uint8_t value) override;
    void write_data_block(const std::uint8_t* data, int len) override;

  private:
    std::unique_ptr<dlportio_t> binding;
    std::uint32_t base;
};

} // namespace quarnel
