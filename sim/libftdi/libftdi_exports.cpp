// The libftdi calls of the stand-in, played on the virtual FTDI bench: libftdi1 1.5's, or
// libftdi 0.20's with AVRSIM_LIBFTDI_0_20. Return codes and error texts are the library's own.
#include "sim/ftd2xx/baud_rate.h"
#include "sim/ftd2xx/bench_instance.h"
#include "sim/libftdi/libftdi_abi.h"
#include "sim/libftdi/usb_devices.h"
#if !defined(AVRSIM_LIBFTDI_0_20)
#include "sim/libftdi/bulk_pipes.h"
#endif

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>

using namespace avrsim;
using avrsim::libftdi::ftdi_context;
using avrsim::libftdi::ftdi_device_list;
using avrsim::libftdi::usb_device;
using avrsim::libftdi::usb_handle;

namespace {

constexpr int interface_any = 0;
constexpr int interface_d = 4;
constexpr int default_chunk_size = 4096;
constexpr int default_timeout_ms = 5000;
constexpr int sio_detach_default = 0;

constexpr const char* unavailable = "USB device unavailable";

#if !defined(AVRSIM_LIBFTDI_0_20)
// The pipes of each channel with asynchronous transfers submitted, until it is closed.
std::map<const ftdi_channel*, std::unique_ptr<bulk_pipes>>& channel_pipes() {
    static std::map<const ftdi_channel*, std::unique_ptr<bulk_pipes>> pipes;
    return pipes;
}
#endif

// The USB devices of the bench, gathered once: the bench's devices stay for the process.
std::vector<std::unique_ptr<usb_chip>>& usb_chips() {
    static std::vector<std::unique_ptr<usb_chip>> chips = avrsim::usb_chips_of(bench());
    return chips;
}

usb_chip* chip_of(usb_device* device) {
    for (const auto& chip : usb_chips()) {
        if (reinterpret_cast<usb_device*>(chip.get()) == device) {
            return chip.get();
        }
    }
    return nullptr;
}

// Whether libftdi finds a device with `usb_id` when asked for vendor and product; 0 and 0
// stand for FTDI's own IDs.
bool wanted(std::uint32_t usb_id, int vendor, int product) {
    if (vendor == 0 && product == 0) {
        return is_ftdi_usb_id(usb_id);
    }
    return usb_id ==
           (static_cast<std::uint32_t>(vendor) << 16 | static_cast<std::uint32_t>(product));
}

int fail(ftdi_context* ftdi, int code, const char* text) {
    if (ftdi != nullptr) {
        ftdi->error_str = text;
    }
    return code;
}

// The open channel of a context, or null.
ftdi_channel* channel_of(ftdi_context* ftdi) {
    return ftdi != nullptr && ftdi->usb_dev != nullptr ? bench().channel(ftdi->usb_dev) : nullptr;
}

int libftdi_type_of(std::uint32_t d2xx_type) {
    switch (d2xx_type) {
    case 4:
        return avrsim::libftdi::TYPE_2232C;
    case 5:
        return avrsim::libftdi::TYPE_R;
    case 6:
        return avrsim::libftdi::TYPE_2232H;
    case 7:
        return avrsim::libftdi::TYPE_4232H;
    case 8:
        return avrsim::libftdi::TYPE_232H;
    case 9:
        return avrsim::libftdi::TYPE_230X;
    default:
        return avrsim::libftdi::TYPE_BM;
    }
}

void copy_string(char* buffer, int size, const std::string& text) {
    if (buffer != nullptr && size > 0) {
        const std::size_t length = std::min(static_cast<std::size_t>(size - 1), text.size());
        std::memcpy(buffer, text.data(), length);
        buffer[length] = '\0';
    }
}

void close_channel(ftdi_context* ftdi) {
    if (ftdi_channel* channel = channel_of(ftdi); channel != nullptr) {
        // The chip keeps its mode and line levels; only this process lets go of it.
        channel->open = false;
#if !defined(AVRSIM_LIBFTDI_0_20)
        channel_pipes().erase(channel);
#endif
    }
    if (ftdi != nullptr) {
        ftdi->usb_dev = nullptr;
    }
}

// A flush of what waits for the host (bit 0) and of what waits for the chip (bit 1).
int flush(ftdi_context* ftdi, unsigned which) {
    ftdi_channel* channel = channel_of(ftdi);
    if (channel == nullptr) {
        return fail(ftdi, -2, unavailable);
    }
    if (which & 1) {
        channel->purge_replies();
    }
    if (which & 2) {
        channel->purge_commands();
    }
    return 0;
}

// Calls that only set a line or serial property: accepted on an open device.
int accept_if_open(ftdi_context* ftdi) {
    return channel_of(ftdi) != nullptr ? 0 : fail(ftdi, -2, unavailable);
}

} // namespace

#define LIBFTDI_EXPORT extern "C" __attribute__((visibility("default")))

LIBFTDI_EXPORT int ftdi_set_interface(ftdi_context* ftdi, int interface);

LIBFTDI_EXPORT int ftdi_init(ftdi_context* ftdi) {
    if (ftdi == nullptr) {
        return -1;
    }
    std::memset(ftdi, 0, sizeof *ftdi);
    ftdi->usb_read_timeout = default_timeout_ms;
    ftdi->usb_write_timeout = default_timeout_ms;
    ftdi->type = avrsim::libftdi::TYPE_BM;
    ftdi->baudrate = -1;
    ftdi->readbuffer_chunksize = default_chunk_size;
    ftdi->writebuffer_chunksize = default_chunk_size;
    ftdi->module_detach_mode = sio_detach_default;
    return ftdi_set_interface(ftdi, interface_any);
}

LIBFTDI_EXPORT ftdi_context* ftdi_new() {
    auto* ftdi = static_cast<ftdi_context*>(std::calloc(1, sizeof(ftdi_context)));
    if (ftdi != nullptr && ftdi_init(ftdi) != 0) {
        std::free(ftdi);
        return nullptr;
    }
    return ftdi;
}

LIBFTDI_EXPORT void ftdi_deinit(ftdi_context* ftdi) {
    close_channel(ftdi);
}

LIBFTDI_EXPORT void ftdi_free(ftdi_context* ftdi) {
    ftdi_deinit(ftdi);
    std::free(ftdi);
}

LIBFTDI_EXPORT int ftdi_set_interface(ftdi_context* ftdi, int interface) {
    if (ftdi == nullptr) {
        return -2;
    }
    if (interface < interface_any || interface > interface_d) {
        return fail(ftdi, -1, "Unknown interface");
    }
    const int channel = std::max(interface, 1) - 1;
    if (ftdi->usb_dev != nullptr && ftdi->index != channel + 1) {
        return fail(ftdi, -3, "Interface can not be changed on an already open device");
    }
    ftdi->interface = channel;
    ftdi->index = channel + 1;
    ftdi->in_ep = 0x02 + 2 * channel;
    ftdi->out_ep = 0x81 + 2 * channel;
    return 0;
}

LIBFTDI_EXPORT int ftdi_usb_find_all(ftdi_context* ftdi, ftdi_device_list** devlist, int vendor,
                                     int product) {
    if (devlist == nullptr) {
        return fail(ftdi, -1, "ftdi context invalid");
    }
    *devlist = nullptr;
    ftdi_device_list** tail = devlist;
    int count = 0;
    for (const auto& chip : usb_chips()) {
        if (!wanted(chip->usb_id, vendor, product)) {
            continue;
        }
        auto* entry = static_cast<ftdi_device_list*>(std::calloc(1, sizeof(ftdi_device_list)));
        if (entry == nullptr) {
            return fail(ftdi, -3, "out of memory");
        }
        entry->dev = reinterpret_cast<usb_device*>(chip.get());
        *tail = entry;
        tail = &entry->next;
        ++count;
    }
    return count;
}

LIBFTDI_EXPORT void ftdi_list_free2(ftdi_device_list* devlist) {
    while (devlist != nullptr) {
        ftdi_device_list* next = devlist->next;
        std::free(devlist);
        devlist = next;
    }
}

LIBFTDI_EXPORT void ftdi_list_free(ftdi_device_list** devlist) {
    if (devlist != nullptr) {
        ftdi_list_free2(*devlist);
        *devlist = nullptr;
    }
}

LIBFTDI_EXPORT int ftdi_usb_get_strings(ftdi_context* ftdi, usb_device* dev, char* manufacturer,
                                        int mnf_len, char* description, int desc_len, char* serial,
                                        int serial_len) {
    const usb_chip* chip = chip_of(dev);
    if (ftdi == nullptr || chip == nullptr) {
        return fail(ftdi, -1, "wrong arguments");
    }
    copy_string(manufacturer, mnf_len, "FTDI");
    copy_string(description, desc_len, chip->product);
    copy_string(serial, serial_len, chip->serial_number);
    return 0;
}

LIBFTDI_EXPORT int ftdi_usb_open_dev(ftdi_context* ftdi, usb_device* dev) {
    usb_chip* chip = chip_of(dev);
    if (ftdi == nullptr || chip == nullptr) {
        return fail(ftdi, -8, "ftdi context invalid");
    }
    ftdi_channel* channel =
        chip->interfaces[static_cast<std::size_t>(std::max(ftdi->index, 1) - 1)];
    if (channel == nullptr || channel->open || channel->device.opened_elsewhere) {
        return fail(ftdi, -5,
                    "unable to claim usb device. Make sure the default FTDI driver is not in use");
    }
    channel->open = true;
    channel->latency_ms = 16;
    ftdi->usb_dev = reinterpret_cast<usb_handle*>(channel);
    ftdi->type = libftdi_type_of(chip->type);
    ftdi->max_packet_size = chip->type >= 6 && chip->type <= 8 ? 512 : 64;
    ftdi->baudrate = 9600;
    return 0;
}

LIBFTDI_EXPORT int ftdi_usb_open_desc_index(ftdi_context* ftdi, int vendor, int product,
                                            const char* description, const char* serial,
                                            unsigned int index) {
    if (ftdi == nullptr) {
        return -11;
    }
    for (const auto& chip : usb_chips()) {
        if (chip->usb_id !=
                (static_cast<std::uint32_t>(vendor) << 16 | static_cast<std::uint32_t>(product)) ||
            (description != nullptr && chip->product != description) ||
            (serial != nullptr && chip->serial_number != serial)) {
            continue;
        }
        if (index > 0) {
            --index;
            continue;
        }
        return ftdi_usb_open_dev(ftdi, reinterpret_cast<usb_device*>(chip.get()));
    }
    return fail(ftdi, -3, "device not found");
}

LIBFTDI_EXPORT int ftdi_usb_open_desc(ftdi_context* ftdi, int vendor, int product,
                                      const char* description, const char* serial) {
    return ftdi_usb_open_desc_index(ftdi, vendor, product, description, serial, 0);
}

LIBFTDI_EXPORT int ftdi_usb_open(ftdi_context* ftdi, int vendor, int product) {
    return ftdi_usb_open_desc(ftdi, vendor, product, nullptr, nullptr);
}

LIBFTDI_EXPORT int ftdi_usb_close(ftdi_context* ftdi) {
    close_channel(ftdi);
    return 0;
}

LIBFTDI_EXPORT int ftdi_usb_reset(ftdi_context* ftdi) {
    return accept_if_open(ftdi);
}

LIBFTDI_EXPORT int ftdi_usb_purge_rx_buffer(ftdi_context* ftdi) {
    return flush(ftdi, 1);
}

LIBFTDI_EXPORT int ftdi_usb_purge_tx_buffer(ftdi_context* ftdi) {
    return flush(ftdi, 2);
}

LIBFTDI_EXPORT int ftdi_usb_purge_buffers(ftdi_context* ftdi) {
    return flush(ftdi, 3);
}

LIBFTDI_EXPORT int ftdi_set_baudrate(ftdi_context* ftdi, int baudrate) {
    if (channel_of(ftdi) == nullptr) {
        return fail(ftdi, -3, unavailable);
    }
    if (baudrate <= 0) {
        return fail(ftdi, -1, "Silly baudrate <= 0.");
    }
    // In the bit-bang modes libftdi asks the chip for four times the rate.
    const int asked = ftdi->bitbang_enabled ? baudrate * 4 : baudrate;
    const std::optional<double> achieved = achieved_baud_rate(static_cast<std::uint32_t>(asked));
    if (!achieved) {
        return fail(ftdi, -1,
                    "Unsupported baudrate. Note: bitbang baudrates are automatically multiplied "
                    "by 4");
    }
    channel_of(ftdi)->bitbang.set_baud_rate(*achieved);
    ftdi->baudrate = baudrate;
    return 0;
}

LIBFTDI_EXPORT int ftdi_set_line_property(ftdi_context* ftdi, int, int, int) {
    return accept_if_open(ftdi);
}

LIBFTDI_EXPORT int ftdi_set_line_property2(ftdi_context* ftdi, int, int, int, int) {
    return accept_if_open(ftdi);
}

LIBFTDI_EXPORT int ftdi_setflowctrl(ftdi_context* ftdi, int) {
    return accept_if_open(ftdi);
}

LIBFTDI_EXPORT int ftdi_setdtr_rts(ftdi_context* ftdi, int, int) {
    return accept_if_open(ftdi);
}

LIBFTDI_EXPORT int ftdi_setdtr(ftdi_context* ftdi, int) {
    return accept_if_open(ftdi);
}

LIBFTDI_EXPORT int ftdi_setrts(ftdi_context* ftdi, int) {
    return accept_if_open(ftdi);
}

LIBFTDI_EXPORT int ftdi_write_data(ftdi_context* ftdi, const unsigned char* buf, int size) {
    ftdi_channel* channel = channel_of(ftdi);
    if (channel == nullptr) {
        return fail(ftdi, -666, unavailable);
    }
    if (size < 0 || (buf == nullptr && size > 0)) {
        return fail(ftdi, -1, "usb bulk write failed");
    }
    ftdi_bench& b = bench();
    ++b.counts().writes;
    if (b.fault_hits(usb_fault::io_error, b.counts().writes)) {
        return fail(ftdi, -1, "usb bulk write failed");
    }
    const bus_transfer transfer(b);
    // In synchronous bit-bang every byte leaves a sample that libftdi fetches only when asked:
    // once the chip's FIFOs are full (256 samples towards the host, 128 bytes from it), the
    // chip takes no more and the write times out.
    const std::size_t waiting = channel->replies().size();
    const std::size_t room =
        channel->bitbang.synchronous()
            ? bitbang_engine::fifo_room - std::min(bitbang_engine::fifo_room, waiting)
            : SIZE_MAX;
    const std::size_t taken = std::min(room, static_cast<std::size_t>(size));
    channel->write(buf, taken);
    b.counts().bytes_written += taken;
    if (taken < static_cast<std::size_t>(size)) {
        b.clock().advance_us(ftdi->usb_write_timeout * 1000.0);
        return fail(ftdi, -1, "usb bulk write failed");
    }
    return size;
}

// Bulk reads of up to the read chunk size, each after a USB round trip, until `size` bytes
// came or the chip had nothing more: then it answers with status bytes alone once its latency
// timer runs out, and the call returns what it has, possibly nothing.
LIBFTDI_EXPORT int ftdi_read_data(ftdi_context* ftdi, unsigned char* buf, int size) {
    ftdi_channel* channel = channel_of(ftdi);
    if (channel == nullptr) {
        return fail(ftdi, -666, unavailable);
    }
    if (size < 0 || (buf == nullptr && size > 0)) {
        return fail(ftdi, -1, "usb bulk read failed");
    }
    ftdi_bench& b = bench();
    ++b.counts().reads;
    if (b.fault_hits(usb_fault::io_error, b.counts().reads)) {
        return fail(ftdi, -1, "usb bulk read failed");
    }
    const bus_transfer transfer(b);
    std::deque<std::uint8_t>& replies = channel->replies();
    const auto wanted_bytes = static_cast<std::size_t>(size);
    std::size_t deliver = std::min(wanted_bytes, replies.size());
    std::size_t lost = 0;
    // A byte lost on the way: it never arrives.
    if (b.fault_hits(usb_fault::short_read, b.counts().reads) && deliver > 0) {
        --deliver;
        lost = 1;
    }
    // Each packet of the chip starts with two status bytes.
    const std::size_t packet = std::max<std::size_t>(ftdi->max_packet_size, 64);
    const std::size_t chunk = std::max<std::size_t>(ftdi->readbuffer_chunksize, packet);
    const std::size_t per_transfer = chunk - 2 * (chunk / packet);
    const std::size_t transfers =
        std::max<std::size_t>(1, (deliver + per_transfer - 1) / per_transfer);
    double wait_us = static_cast<double>(transfers) * ftdi_bench::round_trip_us(*channel);
    if (deliver < wanted_bytes || !channel->flushed()) {
        wait_us += channel->latency_ms * 1000.0;
    }
    b.clock().advance_us(wait_us);
    b.counts().latency_us += wait_us;
    std::copy_n(replies.begin(), deliver, buf);
    replies.erase(replies.begin(), replies.begin() + static_cast<std::ptrdiff_t>(deliver + lost));
    b.counts().bytes_read += deliver;
    return static_cast<int>(deliver);
}

LIBFTDI_EXPORT int ftdi_read_data_set_chunksize(ftdi_context* ftdi, unsigned int chunksize) {
    if (ftdi == nullptr) {
        return -1;
    }
#if defined(__linux__)
    // libftdi keeps a read within one of libusb's URBs on Linux.
    chunksize = std::min(chunksize, 16384U);
#endif
    ftdi->readbuffer_chunksize = chunksize;
    return 0;
}

LIBFTDI_EXPORT int ftdi_read_data_get_chunksize(ftdi_context* ftdi, unsigned int* chunksize) {
    if (ftdi == nullptr || chunksize == nullptr) {
        return -1;
    }
    *chunksize = ftdi->readbuffer_chunksize;
    return 0;
}

LIBFTDI_EXPORT int ftdi_write_data_set_chunksize(ftdi_context* ftdi, unsigned int chunksize) {
    if (ftdi == nullptr) {
        return -1;
    }
    ftdi->writebuffer_chunksize = chunksize;
    return 0;
}

LIBFTDI_EXPORT int ftdi_write_data_get_chunksize(ftdi_context* ftdi, unsigned int* chunksize) {
    if (ftdi == nullptr || chunksize == nullptr) {
        return -1;
    }
    *chunksize = ftdi->writebuffer_chunksize;
    return 0;
}

LIBFTDI_EXPORT int ftdi_set_bitmode(ftdi_context* ftdi, unsigned char bitmask, unsigned char mode) {
    ftdi_channel* channel = channel_of(ftdi);
    if (channel == nullptr) {
        return fail(ftdi, -2, unavailable);
    }
    const bus_transfer transfer(bench());
    // The mask sets line directions in the bit-bang modes only; MPSSE starts with inputs.
    channel->set_bit_mode(bitmask, mode);
    ftdi->bitbang_mode = mode;
    ftdi->bitbang_enabled = mode != 0 ? 1 : 0;
    return 0;
}

LIBFTDI_EXPORT int ftdi_disable_bitbang(ftdi_context* ftdi) {
    return ftdi_set_bitmode(ftdi, 0, 0);
}

LIBFTDI_EXPORT int ftdi_read_pins(ftdi_context* ftdi, unsigned char* pins) {
    ftdi_channel* channel = channel_of(ftdi);
    if (channel == nullptr) {
        return fail(ftdi, -2, unavailable);
    }
    *pins = channel->bitbang.pins();
    return 0;
}

LIBFTDI_EXPORT int ftdi_set_latency_timer(ftdi_context* ftdi, unsigned char latency) {
    if (latency < 1) {
        return fail(ftdi, -1, "latency out of range. Only valid for 1-255");
    }
    ftdi_channel* channel = channel_of(ftdi);
    if (channel == nullptr) {
        return fail(ftdi, -3, unavailable);
    }
    channel->latency_ms = latency;
    return 0;
}

LIBFTDI_EXPORT int ftdi_get_latency_timer(ftdi_context* ftdi, unsigned char* latency) {
    ftdi_channel* channel = channel_of(ftdi);
    if (channel == nullptr) {
        return fail(ftdi, -2, unavailable);
    }
    *latency = channel->latency_ms;
    return 0;
}

LIBFTDI_EXPORT const char* ftdi_get_error_string(ftdi_context* ftdi) {
    return ftdi != nullptr ? ftdi->error_str : nullptr;
}

#if !defined(AVRSIM_LIBFTDI_0_20)
// Calls that 1.5 has and 0.20 has not.

LIBFTDI_EXPORT int ftdi_usb_get_strings2(ftdi_context* ftdi, usb_device* dev, char* manufacturer,
                                         int mnf_len, char* description, int desc_len, char* serial,
                                         int serial_len) {
    return ftdi_usb_get_strings(ftdi, dev, manufacturer, mnf_len, description, desc_len, serial,
                                serial_len);
}

LIBFTDI_EXPORT int ftdi_tciflush(ftdi_context* ftdi) {
    return flush(ftdi, 1);
}

LIBFTDI_EXPORT int ftdi_tcoflush(ftdi_context* ftdi) {
    return flush(ftdi, 2);
}

LIBFTDI_EXPORT int ftdi_tcioflush(ftdi_context* ftdi) {
    return flush(ftdi, 3);
}

namespace {
using avrsim::libftdi::ftdi_transfer_control;

// A transfer record as libftdi allocates it, or null when the context has no open channel.
ftdi_transfer_control* new_transfer(ftdi_context* ftdi, unsigned char* buf, int size) {
    if (channel_of(ftdi) == nullptr || size < 0 || (buf == nullptr && size > 0)) {
        return nullptr;
    }
    auto* transfer =
        static_cast<ftdi_transfer_control*>(std::calloc(1, sizeof(ftdi_transfer_control)));
    if (transfer != nullptr) {
        transfer->buf = buf;
        transfer->size = size;
        transfer->ftdi = ftdi;
    }
    return transfer;
}

bulk_pipes& pipes_of(ftdi_channel& channel) {
    std::unique_ptr<bulk_pipes>& pipes = channel_pipes()[&channel];
    if (!pipes) {
        pipes = std::make_unique<bulk_pipes>(bench(), channel);
    }
    return *pipes;
}
} // namespace

LIBFTDI_EXPORT ftdi_transfer_control* ftdi_write_data_submit(ftdi_context* ftdi, unsigned char* buf,
                                                             int size) {
    ftdi_transfer_control* transfer = new_transfer(ftdi, buf, size);
    if (transfer != nullptr) {
        ftdi_bench& b = bench();
        ++b.counts().writes;
        pipes_of(*channel_of(ftdi))
            .submit_write(transfer, b.fault_hits(usb_fault::io_error, b.counts().writes));
    }
    return transfer;
}

LIBFTDI_EXPORT ftdi_transfer_control* ftdi_read_data_submit(ftdi_context* ftdi, unsigned char* buf,
                                                            int size) {
    ftdi_transfer_control* transfer = new_transfer(ftdi, buf, size);
    if (transfer != nullptr) {
        ftdi_bench& b = bench();
        ++b.counts().reads;
        pipes_of(*channel_of(ftdi))
            .submit_read(transfer, b.fault_hits(usb_fault::io_error, b.counts().reads));
    }
    return transfer;
}

// The bytes the transfer moved, or -1 when it ended with an error; frees the record.
LIBFTDI_EXPORT int ftdi_transfer_data_done(ftdi_transfer_control* tc) {
    int result = -1;
    if (ftdi_channel* channel = channel_of(tc->ftdi); channel != nullptr) {
        const bus_transfer transfer(bench());
        if (pipes_of(*channel).wait(tc)) {
            result = tc->offset;
        }
    }
    std::free(tc);
    return result;
}

LIBFTDI_EXPORT void ftdi_transfer_data_cancel(ftdi_transfer_control* tc, struct timeval*) {
    if (ftdi_channel* channel = channel_of(tc->ftdi); channel != nullptr) {
        pipes_of(*channel).cancel(tc);
    }
    std::free(tc);
}

LIBFTDI_EXPORT avrsim::libftdi::ftdi_version_info ftdi_get_library_version() {
    return {1, 5, 0, "1.5", "avrsim"};
}
#endif
