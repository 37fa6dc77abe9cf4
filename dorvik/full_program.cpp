// -wf: files, serial numbers, erase, fuses, EEPROM, flash and lock bits in their order.
#include "dorvik/full_program.h"

#include "dorvik/auto_serial.h"
#include "dorvik/commands.h"
#include "dorvik/config_bytes.h"
#include "dorvik/eeprom_ops.h"
#include "dorvik/flash_ops.h"
#include "dorvik/hex_file.h"
#include "dorvik/isp_driver.h"
#include "dorvik/serial_code_table.h"
#include "dorvik/serial_number.h"

#include <cstdio>

namespace dorvik {
namespace {

constexpr std::uint32_t SERIAL_CODE_BYTES = 2;
// LB2 and LB1: both 1 (unprogrammed) leaves memories readable.
constexpr std::uint8_t LOCK_MODE_BITS = 0x03;

// A switch that -wf uses: -wlb anywhere, the others from argument 2 on.
bool used_by_full_program(const NamedSwitch& entry) {
    switch (entry.name) {
    case SwitchName::wlb:
        return true;
    case SwitchName::wxf:
        return state.has_ext_fuse && entry.arg.position >= FIRST_OPTION;
    case SwitchName::wlf:
    case SwitchName::whf:
    case SwitchName::wts:
    case SwitchName::ws:
        return entry.arg.position >= FIRST_OPTION;
    default:
        return false;
    }
}

// Every switch value that -wf will use must be well formed before the chip is erased: a bad
// one found later would leave a half-programmed chip. The first bad one in the line's order
// is reported.
bool used_values_well_formed() {
    for (const NamedSwitch& entry : state.options.switches) {
        if (used_by_full_program(entry) && !switch_value_well_formed(entry.arg)) {
            return false;
        }
    }
    return true;
}

bool load_serial_files(AutoSerial& serial) {
    for (const SwitchArg& arg : switches_named(state.options, SwitchName::asn, FIRST_OPTION)) {
        if (const auto path = switch_path(arg)) {
            if (load_auto_serial(*path, serial) != 0) {
                return false;
            }
        }
    }
    return true;
}

// Every `name` switch from argument 2 on with a value gives a serial number (the
// -asn number instead, when there is one). `fits` refuses a number or field
// before the -asn file is advanced; `store` puts it into the flash image.
template <typename Fits, typename Store>
bool place_serials(SwitchName name, AutoSerial& serial, Fits fits, Store store) {
    for (const SwitchArg& arg : switches_named(state.options, name, FIRST_OPTION)) {
        std::optional<std::uint32_t> number;
        if (!switch_number(arg, number)) {
            return false;
        }
        if (!number) {
            continue;
        }
        std::uint32_t n = *number;
        if (serial.active) {
            if (reserve_auto_serial(serial, fits) != 0) {
                return false;
            }
            n = serial.number;
        } else if (!fits(n)) {
            return false;
        }
        state.serial_value = n;
        store(n);
    }
    return true;
}

// -wts: the table code of serial number N in two bytes.
bool store_table_serials(AutoSerial& serial, Image& flash) {
    const auto fits = [](std::uint32_t n) {
        if (n == 0 || n > SERIAL_CODE_COUNT) {
            std::printf("  Error: serial number %u is not in the table (1 to %zu).\n", n,
                        SERIAL_CODE_COUNT);
            return false;
        }
        return serial_field_fits(SERIAL_CODE_BYTES);
    };
    return place_serials(SwitchName::wts, serial, fits,
                         [&](std::uint32_t n) { store_serial_code(flash, n); });
}

// -ws: the serial number itself in serial_length bytes.
bool store_plain_serials(AutoSerial& serial, Image& flash) {
    const auto fits = [](std::uint32_t n) {
        return state.serial_length >= 0 &&
               serial_field_fits(static_cast<std::uint32_t>(state.serial_length)) &&
               serial_value_fits(n);
    };
    return place_serials(SwitchName::ws, serial, fits,
                         [&](std::uint32_t n) { store_serial_value(flash, n); });
}

// The EEPROM image: the -we files, or the chip's own content so that it
// survives the erase.
bool prepare_eeprom(Image& eeprom) {
    bool from_file = false;
    for (const SwitchArg& arg : switches_named(state.options, SwitchName::we, FIRST_OPTION)) {
        if (const auto path = switch_path(arg)) {
            if (read_hex_file(*path, eeprom, state.eeprom_size) != 0) {
                return false;
            }
            from_file = true;
        }
    }
    if (!from_file) {
        // With LB1 or LB2 programmed the chip does not give its EEPROM away, so
        // what is read here is not its content, and the erase will lose it.
        if ((read_lock_bits() & LOCK_MODE_BITS) != LOCK_MODE_BITS) {
            std::printf("  Warning: the lock bits hide the EEPROM; the chip erase clears it.\n");
        }
        // Without a true copy the erase would lose the EEPROM: stop before it.
        return read_eeprom(eeprom) == 0;
    }
    return true;
}

// Fuse switches from argument 2 on: all -wlf, then all -whf, then all -wxf.
bool write_fuses() {
    struct FuseSwitch {
        SwitchName name;
        ByteTarget target;
    };
    constexpr FuseSwitch fuses[] = {{SwitchName::wlf, ByteTarget::fuse_low},
                                    {SwitchName::whf, ByteTarget::fuse_high},
                                    {SwitchName::wxf, ByteTarget::fuse_ext}};
    for (const FuseSwitch& fuse : fuses) {
        if (fuse.target == ByteTarget::fuse_ext && !state.has_ext_fuse) {
            continue;
        }
        for (const SwitchArg& arg : switches_named(state.options, fuse.name, FIRST_OPTION)) {
            std::optional<std::uint32_t> value;
            if (switch_number(arg, value) && value &&
                write_byte_target(fuse.target, static_cast<std::uint8_t>(*value)) < 0) {
                return false;
            }
        }
    }
    return true;
}

// Every -wlb on the line, argument 0 included; one without a value is an error.
RunEnd write_locks() {
    for (const SwitchArg& arg : switches_named(state.options, SwitchName::wlb)) {
        std::optional<std::uint32_t> value;
        switch_number(arg, value);
        if (!value) {
            std::printf("  Error write command.\n");
            return RunEnd::error;
        }
        if (write_lock(static_cast<std::uint8_t>(*value)) < 0) {
            return RunEnd::byte_write_error;
        }
    }
    return RunEnd::done;
}

} // namespace

RunEnd full_program() {
    if (isp_enter_programming() != 0) {
        return RunEnd::error;
    }
    const auto path = switch_path(state.options.command_arg);
    if (!path) {
        return RunEnd::done;
    }
    if (!used_values_well_formed()) {
        return RunEnd::error;
    }
    auto flash = alloc_image(state.flash_size);
    if (!flash || read_hex_file(*path, *flash, state.flash_size) != 0) {
        return RunEnd::error;
    }
    // Every file is read before the -asn file gives away a serial number.
    auto eeprom = alloc_image(state.eeprom_size);
    if (!eeprom || !prepare_eeprom(*eeprom)) {
        return RunEnd::error;
    }
    AutoSerial serial;
    if (!load_serial_files(serial) || !store_table_serials(serial, *flash) ||
        !store_plain_serials(serial, *flash)) {
        return RunEnd::error;
    }
    erase_chip();
    if (isp_enter_programming() != 0) {
        return RunEnd::error;
    }
    if (!write_fuses()) {
        return RunEnd::byte_write_error;
    }
    bool failed = write_eeprom(*eeprom, EepromWriteMode::EEPROM_WRITE_SKIP_ERASED) != 0;
    eeprom.reset();
    failed = write_flash(*flash) != 0 || failed;
    if (const RunEnd locks = write_locks(); locks != RunEnd::done) {
        return locks;
    }
    std::printf("  Current serial number -\t\t\t\t%u.\n", state.serial_value);
    return failed ? RunEnd::done_with_errors : RunEnd::done;
}

} // namespace dorvik
