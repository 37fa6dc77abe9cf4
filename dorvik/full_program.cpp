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

// Options of -wf are looked for from argument 2 on; -wlb everywhere.
constexpr std::size_t FIRST_OPTION = 2;
constexpr std::uint32_t SERIAL_CODE_BYTES = 2;
// LB2 and LB1: both 1 (unprogrammed) leaves memories readable.
constexpr std::uint8_t LOCK_MODE_BITS = 0x03;

// Every switch value that -wf will use must be well formed before the chip
// is erased: a bad one found later would leave a half-programmed chip.
bool option_values_valid(const Args& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto text = value_text(arg);
        if (!text) {
            continue;
        }
        const bool byte_option =
            has_switch(arg, "-wlb") ||
            (i >= FIRST_OPTION && (has_switch(arg, "-wlf") || has_switch(arg, "-whf") ||
                                   (state.has_ext_fuse && has_switch(arg, "-wxf"))));
        if (byte_option && !hex_byte_value(*text)) {
            return false;
        }
        const bool number_option =
            i >= FIRST_OPTION && (has_switch(arg, "-wts") || has_switch(arg, "-ws"));
        if (number_option && !decimal_value(*text)) {
            return false;
        }
    }
    return true;
}

bool load_serial_files(const Args& args, AutoSerial& serial) {
    for (std::size_t i = FIRST_OPTION; i < args.size(); ++i) {
        if (!has_switch(args[i], "-asn")) {
            continue;
        }
        if (const auto path = switch_value(args[i])) {
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
bool place_serials(const Args& args, const char* name, AutoSerial& serial, Fits fits, Store store) {
    for (std::size_t i = FIRST_OPTION; i < args.size(); ++i) {
        std::optional<std::uint32_t> number;
        if (!has_switch(args[i], name)) {
            continue;
        }
        if (!decimal_switch(args[i], number)) {
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
bool store_table_serials(const Args& args, AutoSerial& serial, Image& flash) {
    const auto fits = [](std::uint32_t n) {
        if (n == 0 || n > SERIAL_CODE_COUNT) {
            std::printf("  Error: serial number %u is not in the table (1 to %zu).\n", n,
                        SERIAL_CODE_COUNT);
            return false;
        }
        return serial_field_fits(SERIAL_CODE_BYTES);
    };
    return place_serials(args, "-wts", serial, fits,
                         [&](std::uint32_t n) { store_serial_code(flash, n); });
}

// -ws: the serial number itself in serial_length bytes.
bool store_plain_serials(const Args& args, AutoSerial& serial, Image& flash) {
    const auto fits = [](std::uint32_t n) {
        return state.serial_length >= 0 &&
               serial_field_fits(static_cast<std::uint32_t>(state.serial_length)) &&
               serial_value_fits(n);
    };
    return place_serials(args, "-ws", serial, fits,
                         [&](std::uint32_t n) { store_serial_value(flash, n); });
}

// The EEPROM image: the -we files, or the chip's own content so that it
// survives the erase.
bool prepare_eeprom(const Args& args, Image& eeprom) {
    bool from_file = false;
    for (std::size_t i = FIRST_OPTION; i < args.size(); ++i) {
        if (!has_switch(args[i], "-we")) {
            continue;
        }
        if (const auto path = switch_value(args[i])) {
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
bool write_fuses(const Args& args) {
    struct FuseSwitch {
        const char* name;
        ByteTarget target;
    };
    constexpr FuseSwitch fuses[] = {{"-wlf", ByteTarget::fuse_low},
                                    {"-whf", ByteTarget::fuse_high},
                                    {"-wxf", ByteTarget::fuse_ext}};
    for (const FuseSwitch& fuse : fuses) {
        if (fuse.target == ByteTarget::fuse_ext && !state.has_ext_fuse) {
            continue;
        }
        for (std::size_t i = FIRST_OPTION; i < args.size(); ++i) {
            std::optional<std::uint8_t> value;
            if (has_switch(args[i], fuse.name) && hex_byte_switch(args[i], value) && value &&
                write_byte_target(fuse.target, *value) < 0) {
                return false;
            }
        }
    }
    return true;
}

// Every -wlb on the line, argument 0 included; one without a value is an error.
RunEnd write_locks(const Args& args) {
    for (const std::string& arg : args) {
        if (!has_switch(arg, "-wlb")) {
            continue;
        }
        std::optional<std::uint8_t> value;
        hex_byte_switch(arg, value);
        if (!value) {
            std::printf("  Error write command.\n");
            return RunEnd::error;
        }
        if (write_lock(*value) < 0) {
            return RunEnd::byte_write_error;
        }
    }
    return RunEnd::done;
}

} // namespace

RunEnd full_program(const Args& args) {
    if (isp_enter_programming() != 0) {
        return RunEnd::error;
    }
    const auto path = switch_value(args[FIRST_OPTION]);
    if (!path) {
        return RunEnd::done;
    }
    if (!option_values_valid(args)) {
        return RunEnd::error;
    }
    auto flash = alloc_image(state.flash_size);
    if (!flash || read_hex_file(*path, *flash, state.flash_size) != 0) {
        return RunEnd::error;
    }
    // Every file is read before the -asn file gives away a serial number.
    auto eeprom = alloc_image(state.eeprom_size);
    if (!eeprom || !prepare_eeprom(args, *eeprom)) {
        return RunEnd::error;
    }
    AutoSerial serial;
    if (!load_serial_files(args, serial) || !store_table_serials(args, serial, *flash) ||
        !store_plain_serials(args, serial, *flash)) {
        return RunEnd::error;
    }
    erase_chip();
    if (isp_enter_programming() != 0) {
        return RunEnd::error;
    }
    if (!write_fuses(args)) {
        return RunEnd::byte_write_error;
    }
    bool failed = write_eeprom(*eeprom, EepromWriteMode::EEPROM_WRITE_SKIP_ERASED) != 0;
    eeprom.reset();
    failed = write_flash(*flash) != 0 || failed;
    if (const RunEnd locks = write_locks(args); locks != RunEnd::done) {
        return locks;
    }
    std::printf("  Current serial number -\t\t\t\t%u.\n", state.serial_value);
    return failed ? RunEnd::done_with_errors : RunEnd::done;
}

} // namespace dorvik
