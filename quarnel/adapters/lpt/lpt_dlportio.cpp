// DLPortIO binding and the port over it.
#include "quarnel/adapters/lpt/lpt_dlportio.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

namespace quarnel {

dlportio_t::dlportio_t(const char* library_name) {
    library.load(library_name);
    DlPortWritePortUchar = library_function<write_uchar_fn>(library, "DlPortWritePortUchar");
    DlPortReadPortUchar = library_function<read_uchar_fn>(library, "DlPortReadPortUchar");
    try {
        DlPortWritePortBufferUchar =
            library_function<write_buffer_fn>(library, "DlPortWritePortBufferUchar");
    } catch (const app_error&) {
        // Its message is out; block writes go byte by byte instead.
        console_log(1, "Use emulation\n");
    }
    console_log(3, "\t%% DLportIO.dll succesfully loaded, DLportIO.sys interface activated\n");
}

lpt_dlportio_t::lpt_dlportio_t(std::unique_ptr<dlportio_t> library, std::uint32_t address)
    : binding(std::move(library)), base(address) {
    measure_cycle_time();
}

lpt_dlportio_t::~lpt_dlportio_t() {
    read_register(LPT_STATUS);
}

std::uint8_t lpt_dlportio_t::read_register(std::uint8_t offset) {
    return binding->DlPortReadPortUchar(base + offset);
}

void lpt_dlportio_t::write_register(std::uint8_t offset, std::uint8_t value) {
    binding->DlPortWritePortUchar(base + offset, value);
}

void lpt_dlportio_t::write_data_block(const std::uint8_t* data, int len) {
    if (len <= 0) {
        return;
    }
    if (binding->DlPortWritePortBufferUchar != nullptr) {
        binding->DlPortWritePortBufferUchar(base, const_cast<std::uint8_t*>(data),
                                            static_cast<std::uint32_t>(len));
        return;
    }
    for (int i = 0; i < len; ++i) {
        binding->DlPortWritePortUchar(base, data[i]);
    }
}

} // namespace quarnel
