// An FTDI chip as the MPSSE adapter sees it, its types and modes, the identity of a device.
#pragma once

#include <cstdint>
#include <string>

namespace quarnel {

// FTDI chip families, numbered as FTDI numbers them (the numbers device lists show): the X
// series (FT230X, FT231X...) is 9. Numbers from `later` on are chips past it, none of which
// this program drives.
enum class ftdi_chip_type : std::uint32_t {
    bm,
    am,
    ax100,
    unknown,
    ft2232c,
    ft232r,
    ft2232h,
    ft4232h,
    ft232h,
    x_series,
    later,
};

// Modes of the chip's I/O lines: reset (the chip's own function, UART or FIFO), MPSSE and
// synchronous bit-bang.
enum class ftdi_bit_mode : std::uint8_t { reset = 0x00, mpsse = 0x02, sync_bitbang = 0x04 };

// Buffers of the chip that a purge empties.
enum class ftdi_purge : std::uint8_t { to_host = 1, to_chip = 2 };

// Identity of an FTDI device: what a run asks for, or what was found.
struct ftdi_device_params_t {
    static constexpr std::size_t serial_number_max = 16;
    static constexpr std::size_t description_max = 64;

    ftdi_chip_type type = ftdi_chip_type::bm;
    std::string serial_number; // empty: any
    std::string description;   // empty: any
    // USB IDs of an adapter that does not carry FTDI's own (-pv=VID,p=PID); 0: not given.
    std::uint16_t vendor_id = 0;
    std::uint16_t product_id = 0;
};

// One opened chip channel. Every operation either completes in full or logs its reason and
// raises app_error 70.
class ftdi_chip_t {
  public:
    explicit ftdi_chip_t(ftdi_chip_type chip_type) : type(chip_type) {}
    virtual ~ftdi_chip_t() = default;
    ftdi_chip_t(const ftdi_chip_t&) = delete;
    ftdi_chip_t& operator=(const ftdi_chip_t&) = delete;

    virtual void set_bit_mode(std::uint8_t mask, ftdi_bit_mode mode) = 0;
    // Returns only when exactly `length` bytes arrived.
    virtual void receive(std::uint8_t* buffer, std::uint32_t length) = 0;
    virtual void send(const std::uint8_t* buffer, std::uint32_t length) = 0;
    virtual void purge(ftdi_purge buffer) = 0;
    virtual void set_timeouts(std::uint32_t read_ms, std::uint32_t write_ms) = 0;
    // How long the chip holds a short packet for the host before it sends it anyway.
    virtual void set_latency_timer(std::uint8_t ms) = 0;
    // The rate of the chip's clock: its baud rate, or in bit-bang 1/16 of the bytes a second.
    virtual void set_baud_rate(std::uint32_t rate) = 0;
    // Synchronous bit-bang: writes `length` bytes of line levels and reads the sample each
    // leaves into `in`. The chip stops clocking once its FIFOs are full and nobody takes the
    // samples, so the samples are read while the bytes go out.
    virtual void exchange(const std::uint8_t* out, std::uint8_t* in, std::uint32_t length) = 0;

    // The requested chip type, which the found one equals.
    const ftdi_chip_type type;
};

// Ends the run: "Can't <operation> (<reason>)", or "Can't <operation>" without a reason.
[[noreturn]] void fail_ftdi_operation(const char* operation, const char* reason);

// "<label>  <type name> (0x<type>) - "<description>", serno "<serial>"", empty texts as "any".
void print_ftdi_device_params(int level, const char* label, const ftdi_device_params_t& params);

} // namespace quarnel
