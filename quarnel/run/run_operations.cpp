// The operations of a run in their fixed order, with the lock, fuse and fit tests.
#include "quarnel/devices/current_device.h"
#include "quarnel/devices/device_table.h"
#include "quarnel/image/image_file.h"
#include "quarnel/isp/chip_commands.h"
#include "quarnel/isp/fuse_operations.h"
#include "quarnel/isp/memory_operations.h"
#include "quarnel/isp/programming_mode.h"
#include "quarnel/run/console.h"
#include "quarnel/run/errors.h"
#include "quarnel/run/production.h"
#include "quarnel/run/run_options.h"
#include "quarnel/run/run_state.h"
#include "quarnel/run/run_steps.h"

namespace {

bool any_file() {
    return options.code_file().name || options.data_file().name;
}

void fail(const char* message, int status) {
    console_log(0, "%s", message);
    throw app_error(status);
}

void lock_test(const IspSession& session) {
    if (session.lock_state >= 1 && options.write &&
        (any_file() || (current_device().flags & DEV_LOCKED_WRITE_OK) == 0)) {
        fail("Can't write to locked chip\n", EXIT_CHIP_FAILED);
    }
    if (session.lock_state == 2 && ((options.read && !options.force) || options.blank_check != 0 ||
                                    (options.verify && any_file()))) {
        fail("Can't read (blank check, verify) fully locked chip\n", EXIT_CHIP_FAILED);
    }
}

void fuse_test(IspSession& session) {
    if (current_device().fuse_layout == nullptr) {
        return;
    }
    read_fuses(session);
    print_fuse_values(session, "Fuses ", fuse_read_values());
    if (options.write && options.fuse_list && fuses_need_erase()) {
        fail("Can't write all requested fuses, need to erase chip\n", EXIT_CHIP_FAILED);
    }
}

void fit_test(const RunState& state) {
    const DeviceInfo& device = current_device();
    if (!state.flash.empty() && state.flash.tail()->last() >= device.flash_size) {
        console_log(0, "Can't fit %s in %s\n", options.code_file().name.value_or("").c_str(),
                    memory_names[SLOT_CODE]);
        throw app_error(EXIT_BAD_DATA);
    }
    if (!state.eeprom.empty() && state.eeprom.tail()->last() >= device.eeprom_size) {
        const auto& name = options.data_file().name;
        console_log(0, "Can't fit %s in %s\n", name ? name->c_str() : "data part of input file",
                    memory_names[SLOT_DATA]);
        throw app_error(EXIT_BAD_DATA);
    }
}

void lock_bits_request(IspSession& session) {
    const int level = options.lock_level - '0';
    if (level < session.lock_state) {
        console_log(1, "Warning: device already locked to level %d, can't change lock level!\n",
                    session.lock_state);
        return;
    }
    const char written = write_lock_bits(session, options.lock_level);
    console_log(2, "Device locked to level %c!\n", written);
}

void read_into_files(RunState& state) {
    const memory_slot slots[] = {SLOT_CODE, SLOT_DATA};
    PortionList* images[] = {&state.flash, &state.eeprom};
    for (memory_slot slot : slots) {
        if (!options.files[slot].name) {
            continue;
        }
        read_memory(state.session, slot, *images[slot]);
        // A failed write is reported where it happens; the run goes on and
        // ends with a failure status below.
        (void)write_image_file(*images[slot], options.files[slot]);
    }
}

void program_and_verify(RunState& state, memory_slot slot, const PortionList& image) {
    if (image.empty()) {
        return;
    }
    if (options.write) {
        program_memory(state.session, slot, image);
    }
    if (options.verify) {
        if (slot == SLOT_CODE && options.erase_counter &&
            image.tail()->last() >= current_device().flash_size - 2) {
            console_log(1, "Ignore -n switch, top two flash bytes used for code\n");
        }
        if (!verify_memory(state.session, slot, image)) {
            throw app_error(EXIT_CHIP_FAILED);
        }
    }
}

void write_chip(RunState& state) {
    IspSession& session = state.session;
    program_and_verify(state, SLOT_CODE, state.flash);
    program_and_verify(state, SLOT_DATA, state.eeprom);
    if (options.lock_level != 0 && options.lock_before_fuses) {
        lock_bits_request(session);
    }
    if (options.fuse_list) {
        if (options.write) {
            program_fuses(session);
            // What the chip holds now: bits outside the layout and bytes the chip
            // refused (a lock written first) show as they really are.
            read_fuses(session);
            print_fuse_values(session, "New fuses value", fuse_read_values());
        }
        if (options.verify && !verify_fuses(session)) {
            throw app_error(EXIT_CHIP_FAILED);
        }
    }
    if (options.lock_level != 0 && !options.lock_before_fuses) {
        lock_bits_request(session);
    }
}

void blank_check_or_fail(IspSession& session, ProductionData& production) {
    if (options.blank_check == 0) {
        return;
    }
    if (blank_check_memories(session, options.blank_check) != 0) {
        production.save_eeprom_to_file();
    }
}

} // namespace

void run_operations() {
    RunState& state = run_state();
    IspSession& session = state.session;
    static ProductionData production(session, state.flash, state.eeprom);

    enter_programming_mode(session);
    read_lock_state(session);
    print_lock_state(session);
    check_device_match(false);
    if (current_device().osccal_count > 0) {
        read_osccal(session);
    }
    if (options.write || options.verify) {
        production.insert_production_data();
    }
    production.prepare_erase_counter();

    if (options.erase) {
        prepare_timing(session.prog, current_device(), options.delay_factor);
        production.save_eeprom();
        try {
            erase_device(session);
            check_device_match(true);
            lock_test(session);
            fuse_test(session);
            blank_check_or_fail(session, production);
            production.restore_eeprom();
        } catch (const app_error&) {
            production.rescue_eeprom();
            throw;
        }
        if (options.erase_count != 0xFFFF) {
            production.write_erase_counter();
        }
    } else {
        check_device_match(true);
        lock_test(session);
        fuse_test(session);
        blank_check_or_fail(session, production);
    }

    prepare_timing(session.prog, current_device(), options.delay_factor);
    fit_test(state);
    if (options.read) {
        read_into_files(state);
    } else {
        write_chip(state);
    }
    production.update_serial_file();
    if (image_write_failed()) {
        // The message was printed where the file could not be written.
        throw app_error(EXIT_ENVIRONMENT);
    }
}
