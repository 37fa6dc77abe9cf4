// The 22 D2XX calls of the stand-in FTDI library, played on the virtual bench.
#include "sim/ftd2xx/baud_rate.h"
#include "sim/ftd2xx/bench_instance.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

using namespace avrsim;

// D2XX on 64-bit Linux: DWORD and ULONG are 32 bits, handles are pointers, no calling
// convention decoration.
using DWORD = std::uint32_t;
using FT_STATUS = std::uint32_t;
using FT_HANDLE = void*;

namespace {

constexpr FT_STATUS FT_OK = 0;
constexpr FT_STATUS FT_INVALID_HANDLE = 1;
constexpr FT_STATUS FT_DEVICE_NOT_FOUND = 2;
constexpr FT_STATUS FT_DEVICE_NOT_OPENED = 3;
constexpr FT_STATUS FT_IO_ERROR = 4;
constexpr FT_STATUS FT_INVALID_PARAMETER = 6;
constexpr FT_STATUS FT_INVALID_BAUD_RATE = 7;
constexpr FT_STATUS FT_NOT_SUPPORTED = 17;

constexpr DWORD open_by_serial_number = 1;
constexpr DWORD open_by_description = 2;
constexpr DWORD open_by_location = 4;
constexpr DWORD list_number_only = 0x80000000;
constexpr DWORD list_by_index = 0x40000000;
constexpr DWORD list_all = 0x20000000;

constexpr DWORD library_version = 0x00010427;
constexpr DWORD driver_version = 0x00010427;

// The record as the 64-bit Linux library lays it out: 104 bytes.
struct device_list_node {
    std::uint32_t flags;
    std::uint32_t type;
    std::uint32_t id;
    std::uint32_t location;
    char serial_number[16];
    char description[64];
    void* handle;
};
static_assert(sizeof(device_list_node) == 104);

std::uint32_t location_of(std::size_t index) {
    return 0x11 + static_cast<std::uint32_t>(index);
}

// Fills a fixed field as the library does: the text, cut to the field, NUL-padded.
void copy_field(char* field, std::size_t size, const std::string& text) {
    std::memset(field, 0, size);
    // A text that fills the field has no NUL, as in the library's own fields.
    // NOLINTNEXTLINE(bugprone-not-null-terminated-result)
    std::memcpy(field, text.data(), std::min(size, text.size()));
}

void copy_text(void* buffer, std::size_t room, const std::string& text) {
    if (buffer != nullptr) {
        const std::size_t length = std::min(room - 1, text.size());
        std::memcpy(buffer, text.data(), length);
        static_cast<char*>(buffer)[length] = '\0';
    }
}

std::uint32_t flags_of(const ftdi_channel& channel) {
    const bool high_speed = channel.device.type >= 6 && channel.device.type <= 8;
    return (channel.open || channel.device.opened_elsewhere ? 1u : 0u) | (high_speed ? 2u : 0u);
}

FT_STATUS open_channel(ftdi_channel* channel, FT_HANDLE* handle) {
    if (handle == nullptr) {
        return FT_INVALID_PARAMETER;
    }
    if (channel == nullptr) {
        return FT_DEVICE_NOT_FOUND;
    }
    if (channel->open || channel->device.opened_elsewhere) {
        return FT_DEVICE_NOT_OPENED;
    }
    channel->open = true;
    channel->read_timeout_ms = 0;
    channel->latency_ms = 16;
    *handle = channel;
    return FT_OK;
}

ftdi_channel* channel_at(std::size_t index) {
    const std::vector<ftdi_channel*> channels = bench().channels();
    return index < channels.size() ? channels[index] : nullptr;
}

} // namespace

#define D2XX_EXPORT extern "C" __attribute__((visibility("default")))

D2XX_EXPORT FT_STATUS FT_CreateDeviceInfoList(DWORD* count) {
    if (count == nullptr) {
        return FT_INVALID_PARAMETER;
    }
    *count = static_cast<DWORD>(bench().channels().size());
    return FT_OK;
}

D2XX_EXPORT FT_STATUS FT_GetDeviceInfoList(device_list_node* list, DWORD* count) {
    if (list == nullptr || count == nullptr) {
        return FT_INVALID_PARAMETER;
    }
    const std::vector<ftdi_channel*> channels = bench().channels();
    // The caller's array holds what FT_CreateDeviceInfoList counted.
    const std::size_t listed = std::min<std::size_t>(*count, channels.size());
    for (std::size_t i = 0; i < listed; ++i) {
        const ftdi_channel& channel = *channels[i];
        device_list_node& node = list[i];
        node.flags = flags_of(channel);
        node.type = channel.device.type;
        node.id = bench().usb_id_of(channel);
        node.location = location_of(i);
        copy_field(node.serial_number, sizeof node.serial_number, channel.device.serial_number);
        copy_field(node.description, sizeof node.description, channel.device.description);
        node.handle = channel.open ? channels[i] : nullptr;
    }
    *count = static_cast<DWORD>(listed);
    return FT_OK;
}

D2XX_EXPORT FT_STATUS FT_GetDeviceInfoDetail(DWORD index, DWORD* flags, DWORD* type, DWORD* id,
                                             DWORD* location, void* serial_number,
                                             void* description, FT_HANDLE* handle) {
    const ftdi_channel* channel = channel_at(index);
    if (channel == nullptr) {
        return FT_DEVICE_NOT_FOUND;
    }
    if (flags != nullptr) {
        *flags = flags_of(*channel);
    }
    if (type != nullptr) {
        *type = channel->device.type;
    }
    if (id != nullptr) {
        *id = bench().usb_id_of(*channel);
    }
    if (location != nullptr) {
        *location = location_of(index);
    }
    copy_text(serial_number, 16, channel->device.serial_number);
    copy_text(description, 64, channel->device.description);
    if (handle != nullptr) {
        *handle = channel->open ? const_cast<ftdi_channel*>(channel) : nullptr;
    }
    return FT_OK;
}

D2XX_EXPORT FT_STATUS FT_ListDevices(void* arg1, void* arg2, DWORD flags) {
    const std::vector<ftdi_channel*> channels = bench().channels();
    if (flags & list_number_only) {
        if (arg1 == nullptr) {
            return FT_INVALID_PARAMETER;
        }
        *static_cast<DWORD*>(arg1) = static_cast<DWORD>(channels.size());
        return FT_OK;
    }
    const bool by_description = (flags & open_by_description) != 0;
    const auto text_of = [by_description](const ftdi_channel& channel) {
        return by_description ? channel.device.description : channel.device.serial_number;
    };
    if (flags & list_by_index) {
        const ftdi_channel* channel = channel_at(reinterpret_cast<std::uintptr_t>(arg1));
        if (channel == nullptr) {
            return FT_DEVICE_NOT_FOUND;
        }
        copy_text(arg2, 64, text_of(*channel));
        return FT_OK;
    }
    if (flags & list_all) {
        char** texts = static_cast<char**>(arg1);
        for (std::size_t i = 0; texts != nullptr && i < channels.size(); ++i) {
            copy_text(texts[i], 64, text_of(*channels[i]));
        }
        if (arg2 != nullptr) {
            *static_cast<DWORD*>(arg2) = static_cast<DWORD>(channels.size());
        }
        return FT_OK;
    }
    return FT_NOT_SUPPORTED;
}

D2XX_EXPORT FT_STATUS FT_Open(int device_number, FT_HANDLE* handle) {
    return open_channel(device_number < 0 ? nullptr : channel_at(device_number), handle);
}

D2XX_EXPORT FT_STATUS FT_OpenEx(void* arg1, DWORD flags, FT_HANDLE* handle) {
    const std::vector<ftdi_channel*> channels = bench().channels();
    for (std::size_t i = 0; i < channels.size(); ++i) {
        ftdi_channel& channel = *channels[i];
        const bool match =
            flags == open_by_serial_number
                ? arg1 != nullptr && channel.device.serial_number == static_cast<const char*>(arg1)
            : flags == open_by_description
                ? arg1 != nullptr && channel.device.description == static_cast<const char*>(arg1)
            : flags == open_by_location ? reinterpret_cast<std::uintptr_t>(arg1) == location_of(i)
                                        : false;
        if (match) {
            return open_channel(&channel, handle);
        }
    }
    return handle == nullptr ? FT_INVALID_PARAMETER : FT_DEVICE_NOT_FOUND;
}

D2XX_EXPORT FT_STATUS FT_Close(FT_HANDLE handle) {
    ftdi_channel* channel = bench().channel(handle);
    if (channel == nullptr) {
        return FT_INVALID_HANDLE;
    }
    // The chip keeps its mode and line levels; only this process lets go of it.
    channel->open = false;
    return FT_OK;
}

D2XX_EXPORT FT_STATUS FT_Write(FT_HANDLE handle, void* buffer, DWORD to_write, DWORD* written) {
    ftdi_bench& b = bench();
    ftdi_channel* channel = b.channel(handle);
    if (channel == nullptr) {
        return FT_INVALID_HANDLE;
    }
    if (written == nullptr || (buffer == nullptr && to_write > 0)) {
        return FT_INVALID_PARAMETER;
    }
    *written = 0;
    ++b.counts().writes;
    if (b.fault_hits(usb_fault::io_error, b.counts().writes)) {
        return FT_IO_ERROR;
    }
    const bus_transfer transfer(b);
    channel->write(static_cast<const std::uint8_t*>(buffer), to_write);
    b.counts().bytes_written += to_write;
    *written = to_write;
    return FT_OK;
}

D2XX_EXPORT FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, DWORD to_read, DWORD* returned) {
    ftdi_bench& b = bench();
    ftdi_channel* channel = b.channel(handle);
    if (channel == nullptr) {
        return FT_INVALID_HANDLE;
    }
    if (returned == nullptr || (buffer == nullptr && to_read > 0)) {
        return FT_INVALID_PARAMETER;
    }
    *returned = 0;
    ++b.counts().reads;
    if (b.fault_hits(usb_fault::io_error, b.counts().reads)) {
        return FT_IO_ERROR;
    }
    const bus_transfer transfer(b);
    // The reply comes after a round trip; a reply not followed by Send Immediate waits in the
    // chip until its latency timer runs out.
    double wait_us = ftdi_bench::round_trip_us(*channel);
    if (!channel->flushed()) {
        wait_us += channel->latency_ms * 1000.0;
    }
    std::deque<std::uint8_t>& replies = channel->replies();
    DWORD deliver = std::min<DWORD>(to_read, static_cast<DWORD>(replies.size()));
    if (b.fault_hits(usb_fault::short_read, b.counts().reads) && deliver == to_read &&
        deliver > 0) {
        --deliver;
    }
    // A read that cannot be filled lasts its time-out and returns what there is, with FT_OK.
    if (deliver < to_read) {
        wait_us += channel->read_timeout_ms * 1000.0;
    }
    b.clock().advance_us(wait_us);
    b.counts().latency_us += wait_us;
    std::copy_n(replies.begin(), deliver, static_cast<std::uint8_t*>(buffer));
    replies.erase(replies.begin(), replies.begin() + deliver);
    b.counts().bytes_read += deliver;
    *returned = deliver;
    return FT_OK;
}

D2XX_EXPORT FT_STATUS FT_SetBaudRate(FT_HANDLE handle, std::uint32_t rate) {
    ftdi_channel* channel = bench().channel(handle);
    if (channel == nullptr) {
        return FT_INVALID_HANDLE;
    }
    // In a bit-bang mode the driver asks the chip for four times the rate, as libftdi does.
    const std::optional<double> baud =
        achieved_baud_rate(channel->bitbang.active() ? rate * 4 : rate);
    if (!baud) {
        return FT_INVALID_BAUD_RATE;
    }
    channel->bitbang.set_baud_rate(*baud);
    return FT_OK;
}

D2XX_EXPORT FT_STATUS FT_SetDivisor(FT_HANDLE handle, unsigned short divisor) {
    ftdi_channel* channel = bench().channel(handle);
    if (channel == nullptr) {
        return FT_INVALID_HANDLE;
    }
    channel->bitbang.set_baud_rate(baud_clock_hz / std::max(1, int{divisor}));
    return FT_OK;
}

D2XX_EXPORT FT_STATUS FT_Purge(FT_HANDLE handle, std::uint32_t mask) {
    ftdi_channel* channel = bench().channel(handle);
    if (channel == nullptr) {
        return FT_INVALID_HANDLE;
    }
    if (mask & 1) {
        channel->purge_replies();
    }
    if (mask & 2) {
        channel->purge_commands();
    }
    return FT_OK;
}

D2XX_EXPORT FT_STATUS FT_SetTimeouts(FT_HANDLE handle, std::uint32_t read_ms, std::uint32_t) {
    ftdi_channel* channel = bench().channel(handle);
    if (channel == nullptr) {
        return FT_INVALID_HANDLE;
    }
    channel->read_timeout_ms = read_ms;
    return FT_OK;
}

D2XX_EXPORT FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, DWORD* rx_bytes) {
    ftdi_channel* channel = bench().channel(handle);
    if (channel == nullptr) {
        return FT_INVALID_HANDLE;
    }
    if (rx_bytes == nullptr) {
        return FT_INVALID_PARAMETER;
    }
    *rx_bytes = static_cast<DWORD>(channel->replies().size());
    return FT_OK;
}

D2XX_EXPORT FT_STATUS FT_GetStatus(FT_HANDLE handle, DWORD* rx_bytes, DWORD* tx_bytes,
                                   DWORD* event) {
    ftdi_channel* channel = bench().channel(handle);
    if (channel == nullptr) {
        return FT_INVALID_HANDLE;
    }
    if (rx_bytes == nullptr || tx_bytes == nullptr || event == nullptr) {
        return FT_INVALID_PARAMETER;
    }
    *rx_bytes = static_cast<DWORD>(channel->replies().size());
    *tx_bytes = 0;
    *event = 0;
    return FT_OK;
}

D2XX_EXPORT FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, unsigned char ms) {
    ftdi_channel* channel = bench().channel(handle);
    if (channel == nullptr) {
        return FT_INVALID_HANDLE;
    }
    channel->latency_ms = ms;
    return FT_OK;
}

D2XX_EXPORT FT_STATUS FT_GetLatencyTimer(FT_HANDLE handle, unsigned char* ms) {
    ftdi_channel* channel = bench().channel(handle);
    if (channel == nullptr) {
        return FT_INVALID_HANDLE;
    }
    if (ms == nullptr) {
        return FT_INVALID_PARAMETER;
    }
    *ms = channel->latency_ms;
    return FT_OK;
}

D2XX_EXPORT FT_STATUS FT_SetBitMode(FT_HANDLE handle, unsigned char mask, unsigned char mode) {
    ftdi_channel* channel = bench().channel(handle);
    if (channel == nullptr) {
        return FT_INVALID_HANDLE;
    }
    const bus_transfer transfer(bench());
    channel->set_bit_mode(mask, mode);
    return FT_OK;
}

D2XX_EXPORT FT_STATUS FT_GetBitMode(FT_HANDLE handle, unsigned char* pins) {
    ftdi_channel* channel = bench().channel(handle);
    if (channel == nullptr) {
        return FT_INVALID_HANDLE;
    }
    if (pins == nullptr) {
        return FT_INVALID_PARAMETER;
    }
    *pins = channel->bitbang.pins();
    return FT_OK;
}

D2XX_EXPORT FT_STATUS FT_SetUSBParameters(FT_HANDLE handle, std::uint32_t, std::uint32_t) {
    return bench().channel(handle) != nullptr ? FT_OK : FT_INVALID_HANDLE;
}

D2XX_EXPORT FT_STATUS FT_GetDeviceInfo(FT_HANDLE handle, std::uint32_t* type, DWORD* id,
                                       char* serial_number, char* description, void*) {
    ftdi_bench& b = bench();
    ftdi_channel* channel = b.channel(handle);
    if (channel == nullptr) {
        return FT_INVALID_HANDLE;
    }
    if (type != nullptr) {
        *type = channel->device.type;
    }
    if (id != nullptr) {
        *id = b.usb_id_of(*channel);
    }
    copy_text(serial_number, 17, channel->device.serial_number);
    copy_text(description, 65, channel->device.description);
    return FT_OK;
}

D2XX_EXPORT FT_STATUS FT_SetVIDPID(DWORD vendor_id, DWORD product_id) {
    bench().add_usb_id(vendor_id, product_id);
    return FT_OK;
}

D2XX_EXPORT FT_STATUS FT_GetDriverVersion(FT_HANDLE handle, DWORD* version) {
    if (bench().channel(handle) == nullptr) {
        return FT_INVALID_HANDLE;
    }
    if (version == nullptr) {
        return FT_INVALID_PARAMETER;
    }
    *version = driver_version;
    return FT_OK;
}

D2XX_EXPORT FT_STATUS FT_GetLibraryVersion(DWORD* version) {
    if (version == nullptr) {
        return FT_INVALID_PARAMETER;
    }
    *version = library_version;
    return FT_OK;
}
