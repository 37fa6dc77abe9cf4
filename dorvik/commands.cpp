// Erase, reset, fuse and lock commands, the reads into files and the EEPROM write.
#include "dorvik/commands.h"

#include "dorvik/config_bytes.h"
#include "dorvik/eeprom_ops.h"
#include "dorvik/flash_ops.h"
#include "dorvik/full_program.h"
#include "dorvik/hex_file.h"
#include "dorvik/isp_driver.h"
#include "dorvik/reports.h"
#include "dorvik/run_state.h"
#include "dorvik/serial_number.h"

#include <cstdio>

namespace dorvik {
namespace {

struct ByteCommand {
    ByteTarget target;
    void (*report)(std::uint8_t);
};

RunEnd byte_command(const ByteCommand& command, const SwitchArg& arg) {
    std::optional<std::uint32_t> number;
    if (!switch_number(arg, number)) {
        return RunEnd::error;
    }
    if (!number) {
        return RunEnd::done;
    }
    const auto value = static_cast<std::uint8_t>(*number);
    command.report(value);
    return write_byte_target(command.target, value) < 0 ? RunEnd::byte_write_error : RunEnd::done;
}

RunEnd read_fuses() {
    std::printf("  Read fuse low bits.\n");
    print_fuse_low_report(read_fuse_low());
    std::printf("  Read fuse high bits.\n");
    print_fuse_high_report(read_fuse_high());
    if (state.has_ext_fuse) {
        std::printf("  Extended fuse bits.\n");
        print_fuse_ext_report(read_fuse_ext());
    }
    return RunEnd::done;
}

RunEnd read_serial() {
    if (state.serial_length < 0 ||
        !serial_field_fits(static_cast<std::uint32_t>(state.serial_length))) {
        return RunEnd::error;
    }
    std::printf("  Current serial number - %u\n", read_serial_number());
    return RunEnd::done;
}

// -rf and -re: read a whole memory and save it as a HEX file.
RunEnd read_to_file(const SwitchArg& arg, std::uint32_t size, int (*read)(Image&),
                    const char* missing_name) {
    const auto path = switch_path(arg);
    if (!path) {
        std::printf("%s", missing_name);
        return RunEnd::done;
    }
    auto image = alloc_image(size);
    if (!image) {
        return RunEnd::error;
    }
    if (read(*image) != 0) {
        return RunEnd::done_with_errors; // a copy with holes is not saved
    }
    return write_hex_file(*path, *image, size) == 0 ? RunEnd::done : RunEnd::done_with_errors;
}

RunEnd write_eeprom_file(const SwitchArg& arg) {
    const auto path = switch_path(arg);
    if (!path) {
        return RunEnd::done;
    }
    auto image = alloc_image(state.eeprom_size);
    if (!image || read_hex_file(*path, *image, state.eeprom_size) != 0) {
        return RunEnd::error;
    }
    return write_eeprom(*image, EepromWriteMode::EEPROM_WRITE_ALL) == 0 ? RunEnd::done
                                                                        : RunEnd::done_with_errors;
}

} // namespace

int write_byte_target(ByteTarget target, std::uint8_t value) {
    switch (target) {
    case ByteTarget::fuse_low:
        return write_fuse_low(value);
    case ByteTarget::fuse_high:
        return write_fuse_high(value);
    case ByteTarget::fuse_ext:
        return write_fuse_ext(value);
    case ByteTarget::lock:
        break;
    }
    return write_lock(value);
}

RunEnd run_command() {
    const SwitchArg& arg = state.options.command_arg;
    switch (state.options.command) {
    case Command::erase:
        erase_chip();
        return isp_enter_programming() == 0 ? RunEnd::done : RunEnd::error;
    case Command::reset:
        return isp_enter_programming() == 0 ? RunEnd::done : RunEnd::error;
    case Command::write_lock:
        return byte_command({ByteTarget::lock, print_lock_report}, arg);
    case Command::write_fuse_ext:
        // A device without an extended fuse takes -wxf as no command.
        return state.has_ext_fuse ? byte_command({ByteTarget::fuse_ext, print_fuse_ext_report}, arg)
                                  : RunEnd::done;
    case Command::write_fuse_high:
        return byte_command({ByteTarget::fuse_high, print_fuse_high_report}, arg);
    case Command::write_fuse_low:
        return byte_command({ByteTarget::fuse_low, print_fuse_low_report}, arg);
    case Command::read_serial:
        return read_serial();
    case Command::read_fuses:
        return read_fuses();
    case Command::read_lock:
        print_lock_report(read_lock());
        return RunEnd::done;
    case Command::read_flash:
        return read_to_file(arg, state.flash_size, read_flash, "  You must write filename.\n");
    case Command::read_eeprom:
        return read_to_file(arg, state.eeprom_size, read_eeprom, "  You must write file name.\n");
    case Command::write_eeprom:
        return write_eeprom_file(arg);
    case Command::full_program:
        return full_program();
    case Command::none:
        break;
    }
    return RunEnd::done;
}

} // namespace dorvik
