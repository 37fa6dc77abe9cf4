// Built only where the header of the ABI being built is installed: the stand-in's context and
// list records must lie exactly as the library's own.
#include "sim/libftdi/libftdi_abi.h"

#if defined(AVRSIM_LIBFTDI_0_20)
#include <ftdi.h>
#else
#include <libftdi1/ftdi.h>
#endif

#include <cstddef>

namespace {

using declared = avrsim::libftdi::ftdi_context;
using installed = ::ftdi_context;

// Every field at the library's offset, and the same total size below.
#define SAME_FIELD(field) static_assert(offsetof(declared, field) == offsetof(installed, field))

#if defined(AVRSIM_LIBFTDI_0_20)
SAME_FIELD(eeprom_size);
SAME_FIELD(async_usb_buffer);
SAME_FIELD(async_usb_buffer_size);
#else
SAME_FIELD(usb_ctx);
SAME_FIELD(eeprom);
static_assert(sizeof(avrsim::libftdi::ftdi_version_info) == sizeof(::ftdi_version_info));
static_assert(sizeof(avrsim::libftdi::ftdi_transfer_control) == sizeof(::ftdi_transfer_control) &&
              offsetof(avrsim::libftdi::ftdi_transfer_control, offset) ==
                  offsetof(::ftdi_transfer_control, offset) &&
              offsetof(avrsim::libftdi::ftdi_transfer_control, ftdi) ==
                  offsetof(::ftdi_transfer_control, ftdi));
#endif
SAME_FIELD(usb_dev);
SAME_FIELD(usb_read_timeout);
SAME_FIELD(usb_write_timeout);
SAME_FIELD(type);
SAME_FIELD(baudrate);
SAME_FIELD(bitbang_enabled);
SAME_FIELD(readbuffer);
SAME_FIELD(readbuffer_offset);
SAME_FIELD(readbuffer_remaining);
SAME_FIELD(readbuffer_chunksize);
SAME_FIELD(writebuffer_chunksize);
SAME_FIELD(max_packet_size);
SAME_FIELD(interface);
SAME_FIELD(index);
SAME_FIELD(in_ep);
SAME_FIELD(out_ep);
SAME_FIELD(bitbang_mode);
SAME_FIELD(error_str);
SAME_FIELD(module_detach_mode);
static_assert(sizeof(declared) == sizeof(installed));
static_assert(sizeof(avrsim::libftdi::ftdi_device_list) == sizeof(::ftdi_device_list));

static_assert(avrsim::libftdi::TYPE_BM == TYPE_BM && avrsim::libftdi::TYPE_2232C == TYPE_2232C &&
              avrsim::libftdi::TYPE_R == TYPE_R && avrsim::libftdi::TYPE_2232H == TYPE_2232H &&
              avrsim::libftdi::TYPE_4232H == TYPE_4232H && avrsim::libftdi::TYPE_232H == TYPE_232H);

} // namespace
