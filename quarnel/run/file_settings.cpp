// What the input files ask of the chip beyond flash and EEPROM: the chip they were built
// for, and the fuse and lock bytes that --file-fuses and --file-lock write.
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/devices/device_lookup.h"
#include "quarnel/devices/fuse_request.h"
#include "quarnel/isp/chip_commands.h"
#include "quarnel/run/run_steps.h"

#include <cstdio>
#include <string>

namespace quarnel {

namespace {

// The first input file (code, then data) whose ELF bytes satisfy `has`, or -1.
template <typename Has> int slot_with(const RunState& run, Has has) {
    for (int slot : {SLOT_CODE, SLOT_DATA}) {
        if (has(run.file_config[slot])) {
            return slot;
        }
    }
    return -1;
}

const char* file_name(const RunState& run, int slot) {
    return run.options.files[slot].name->c_str();
}

[[noreturn]] void not_in_file(const char* what) {
    console_log(0, "No input file holds %s\n", what);
    throw app_error(EXIT_BAD_DATA);
}

[[noreturn]] void cannot_fit(const RunState& run, int slot, const char* where) {
    console_log(0, "Can't fit %s in %s\n", file_name(run, slot), where);
    throw app_error(EXIT_BAD_DATA);
}

bool has_byte(const DeviceInfo& device, int byte) {
    return device.fuse_layout != nullptr && device.fuse_layout->bytes[byte] != nullptr;
}

void request_file_fuses(RunState& run, const DeviceInfo& device) {
    const int slot = slot_with(run, [](const FileConfig& c) { return c.has_fuses(); });
    if (slot < 0) {
        not_in_file("fuse bytes (FUSES)");
    }
    const FileConfig& config = run.file_config[slot];
    for (int i = 0; i < file_fuse_count; ++i) {
        if (!config.fuses[i]) {
            continue;
        }
        const int byte = FUSE_LOW + i;
        if (!has_byte(device, byte)) {
            cannot_fit(run, slot, "FUSE bytes");
        }
        // As -f with the byte's name: every bit of it.
        run.session.fuses.bytes[byte].wanted = *config.fuses[i];
        run.session.fuses.bytes[byte].request_mask = 0xFF;
    }
    run.file_fuse_request = true;
}

void request_file_lock(RunState& run, const DeviceInfo& device) {
    const int slot = slot_with(run, [](const FileConfig& c) { return c.lock.has_value(); });
    if (slot < 0) {
        not_in_file("a lock byte (LOCKBITS)");
    }
    const std::uint8_t lock = *run.file_config[slot].lock;
    // The boot lock bits go as -f _LOCK would take them, the lock bits 1..0 as -l.
    if ((lock | 0x03) != 0xFF) {
        if (!has_byte(device, FUSE_LOCK)) {
            cannot_fit(run, slot, "LOCK byte");
        }
        run.session.fuses.bytes[FUSE_LOCK].wanted = lock;
        run.session.fuses.bytes[FUSE_LOCK].request_mask = 0xFC;
        run.file_fuse_request = true;
    }
    const int level = lock_level_of_bits(lock);
    if (level > 0) {
        if (device.lock_format == 0) {
            cannot_fit(run, slot, "LOCK byte");
        }
        run.file_lock_level = static_cast<lock_request>(level);
    }
}

std::string device_of_signature(std::uint32_t signature) {
    const int index = find_device_by_signature(signature);
    if (index >= 0) {
        return device_display_name(index);
    }
    char text[48];
    std::snprintf(text, sizeof text, "a chip with signature 0x%06X", unsigned(signature));
    return text;
}

} // namespace

void settle_file_requests(RunState& run) {
    const RunOptions& options = run.options;
    if (!options.file_fuses && !options.file_lock) {
        return;
    }
    const DeviceInfo& device = run.session.current_device();
    if (device.fuse_layout != nullptr) {
        start_fuse_request(*device.fuse_layout, run.session.fuses);
    }
    if (options.file_fuses) {
        request_file_fuses(run, device);
    }
    if (options.file_lock) {
        request_file_lock(run, device);
    }
}

bool fuses_requested(const RunState& run) {
    return run.options.fuse_list.has_value() || run.file_fuse_request;
}

void check_file_signature(const RunState& run) {
    const DeviceInfo& chip = run.session.current_device();
    for (int slot : {SLOT_CODE, SLOT_DATA}) {
        const auto& signature = run.file_config[slot].signature;
        if (!signature || *signature == chip.signature) {
            continue;
        }
        const bool force = run.options.force;
        console_log(force ? 1 : 0, "%s%s is built for %s, the chip is %s\n",
                    force ? "Warning: " : "", file_name(run, slot),
                    device_of_signature(*signature).c_str(), chip.names);
        if (!force) {
            console_log(0, "Can't continue\n");
            throw app_error(EXIT_WRONG_CHIP);
        }
    }
}

void warn_file_fuses(const RunState& run) {
    if (run.options.file_fuses) {
        return;
    }
    const int slot = slot_with(run, [](const FileConfig& c) { return c.has_fuses(); });
    if (slot < 0) {
        return;
    }
    const FileConfig& config = run.file_config[slot];
    const DeviceInfo& device = run.session.current_device();
    std::string differences;
    for (int i = 0; i < file_fuse_count; ++i) {
        const int byte = FUSE_LOW + i;
        if (!config.fuses[i] || !has_byte(device, byte)) {
            continue;
        }
        const std::uint8_t mask = defined_mask(device.fuse_layout->bytes[byte]);
        const std::uint8_t chip = run.session.fuses.bytes[byte].read_value;
        if (((*config.fuses[i] ^ chip) & mask) != 0) {
            char text[40];
            std::snprintf(text, sizeof text, " %s %02X (chip %02X)", byte_name(byte),
                          unsigned(*config.fuses[i]), unsigned(chip));
            differences += text;
        }
    }
    if (!differences.empty()) {
        console_log(1, "Warning: fuses of %s differ from the chip's:%s; --file-fuses writes them\n",
                    file_name(run, slot), differences.c_str());
    }
}

} // namespace quarnel
