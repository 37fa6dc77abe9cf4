// An FTDI chip as the MPSSE adapter sees it, the identity of a device, and status checking.
#pragma once

#include <cstdint>
#include <string>

namespace quarnel {

// Identity of an FTDI device: what a run asks for, or what was found.
struct ftdi_device_params_t {
    static constexpr std::size_t serial_number_max = 16;
    static constexpr std::size_t description_max = 64;

    std::int32_t type = 0;
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
    explicit ftdi_chip_t(std::int32_t type_code) : type(type_code) {}
    virtual ~ftdi_chip_t() = default;
    ftdi_chip_t(const ftdi_chip_t&) = delete;
    ftdi_chip_t& operator=(const ftdi_chip_t&) = delete;

    virtual void set_bit_mode(std::uint8_t mask, std::uint8_t mode) = 0;
    // Returns only when exactly `length` bytes arrived.
    virtual void receive(std::uint8_t* buffer, std::uint32_t length) = 0;
    virtual void send(const std::uint8_t* buffer, std::uint32_t length) = 0;
    virtual void purge(std::uint8_t mask) = 0;
    virtual void set_latency_timer(std::uint8_t ms) = 0;
    virtual void set_baud_rate(std::uint32_t rate) = 0;
    virtual void set_divisor(std::uint16_t divisor) = 0;
    virtual void set_timeouts(std::uint32_t read_ms, std::uint32_t write_ms) = 0;

    // D2XX type code of the chip (the requested one, which the found one equals).
    const std::int32_t type;
};

// Ends the run: "Can't <operation> (<reason>)", or "Can't <operation>" without a reason.
[[noreturn]] void fail_ftdi_operation(const char* operation, const char* reason);

// Ends the run when `status` is not FT_OK ("Can't <operation> (<status name>)") or when a
// transfer moved fewer bytes than asked ("Can't <operation>").
void check_ftdi_status(const char* operation, std::uint32_t status, bool short_transfer);

// "<label>  <type name> (0x<type>) - "<description>", serno "<serial>"", empty texts as "any".
void print_ftdi_device_params(int level, const char* label, const ftdi_device_params_t& params);

} // namespace quarnel
