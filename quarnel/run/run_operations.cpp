// The operations of a run in their fixed order, with the lock, fuse and fit tests.
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/devices/device_table.h"
#include "quarnel/image/image_file.h"
#include "quarnel/isp/chip_commands.h"
#include "quarnel/isp/fuse_operations.h"
#include "quarnel/isp/memory_operations.h"
#include "quarnel/isp/programming_mode.h"
#include "quarnel/run/run_steps.h"

namespace quarnel {

namespace {

bool any_file(const RunOptions& options) {
    return options.code_file().name || options.data_file().name;
}

void fail(const char* message, int status) {
    console_log(0, "%s", message);
    throw app_error(status);
}

void lock_test(const RunOptions& options, const IspSession& session) {
    if (session.lock_state >= 1 && options.write &&
        (any_file(options) || (session.current_device().flags & DEV_LOCKED_WRITE_OK) == 0)) {
        fail("Can't write to locked chip\n", EXIT_CHIP_FAILED);
    }
    if (session.lock_state == 2 && ((options.read && !options.force) || options.blank_check != 0 ||
                                    (options.verify && any_file(options)))) {
        fail("Can't read (blank check, verify) fully locked chip\n", EXIT_CHIP_FAILED);
    }
}

void fuse_test(const RunState& state, IspSession& session) {
    if (session.current_device().fuse_layout == nullptr) {
        return;
    }
    read_fuses(session);
    print_fuse_values(session, "Fuses ", fuse_read_values(session));
    warn_file_fuses(state);
    if (state.options.write && fuses_requested(state) && fuses_need_erase(session)) {
        fail("Can't write all requested fuses, need to erase chip\n", EXIT_CHIP_FAILED);
    }
}

void fit_test(const RunState& state) {
    const RunOptions& options = state.options;
    const DeviceInfo& device = state.session.current_device();
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

void lock_bits_request(lock_request request, IspSession& session) {
    const int level = static_cast<int>(request);
    if (level < session.lock_state) {
        console_log(1, "Warning: device already locked to level %d, can't change lock level!\n",
                    session.lock_state);
        return;
    }
    const int written = write_lock_bits(session, level);
    console_log(2, "Device locked to level %d!\n", written);
}

void read_into_files(RunState& state) {
    const RunOptions& options = state.options;
    const memory_slot slots[] = {SLOT_CODE, SLOT_DATA};
    PortionList* images[] = {&state.flash, &state.eeprom};
    for (memory_slot slot : slots) {
        if (!options.files[slot].name) {
            continue;
        }
        read_memory(state.session, slot, *images[slot]);
        // A failed write is reported where it happens; the run goes on and
        // ends with a failure status.
        const ff_lines ff = options.read_keep_ff ? ff_lines::keep : ff_lines::skip;
        if (!write_image_file(*images[slot], options.files[slot], ff)) {
            state.output_lost = true;
        }
    }
}

void program_and_verify(RunState& state, memory_slot slot, const PortionList& image) {
    const RunOptions& options = state.options;
    if (image.empty()) {
        return;
    }
    if (options.write) {
        state.production->serial_reaches_chip(slot);
        program_memory(state.session, slot, image);
    }
    if (options.verify) {
        if (slot == SLOT_CODE && state.session.settings.erase_counter &&
            image.tail()->last() >= state.session.current_device().flash_size - 2) {
            console_log(1, "Ignore -n switch, top two flash bytes used for code\n");
        }
        if (!verify_memory(state.session, slot, image)) {
            throw app_error(EXIT_CHIP_FAILED);
        }
    }
}

void write_chip(RunState& state) {
    const RunOptions& options = state.options;
    IspSession& session = state.session;
    program_and_verify(state, SLOT_CODE, state.flash);
    program_and_verify(state, SLOT_DATA, state.eeprom);
    // -l, or the lock bits of --file-lock (which -l excludes).
    const lock_request lock =
        options.lock_level != lock_request::none ? options.lock_level : state.file_lock_level;
    if (lock != lock_request::none && options.lock_before_fuses) {
        lock_bits_request(lock, session);
    }
    if (fuses_requested(state)) {
        if (options.write) {
            program_fuses(session);
            // What the chip holds now: bits outside the layout and bytes the chip
            // refused (a lock written first) show as they really are.
            read_fuses(session);
            print_fuse_values(session, "New fuses value", fuse_read_values(session));
        }
        if (options.verify && !verify_fuses(session)) {
            throw app_error(EXIT_CHIP_FAILED);
        }
    }
    if (lock != lock_request::none && !options.lock_before_fuses) {
        lock_bits_request(lock, session);
    }
}

void blank_check_or_fail(const RunOptions& options, IspSession& session,
                         ProductionData& production) {
    if (options.blank_check == BLANK_NONE) {
        return;
    }
    if (blank_check_memories(session, options.blank_check) != 0) {
        production.save_eeprom_to_file();
    }
}

// Whatever ends the operations, a reserved serial number that the last step
// did not keep goes back.
class SerialNumberReturn {
  public:
    explicit SerialNumberReturn(ProductionData& owner) : production(owner) {}
    SerialNumberReturn(const SerialNumberReturn&) = delete;
    SerialNumberReturn& operator=(const SerialNumberReturn&) = delete;
    ~SerialNumberReturn() { production.return_serial_number(); }

  private:
    ProductionData& production;
};

} // namespace

void run_operations(RunState& state) {
    const RunOptions& options = state.options;
    IspSession& session = state.session;
    ProductionData& production =
        state.production.emplace(state.production_settings, session, state.flash, state.eeprom);

    enter_programming_mode(session);
    read_lock_state(session);
    print_lock_state(session);
    check_device_match(state, false);
    check_file_signature(state);
    if (session.current_device().osccal_count > 0) {
        read_osccal(session);
    }
    // A run that fails from here on gives back a serial number the inserts reserved.
    const SerialNumberReturn serial_return(production);
    if (options.write || options.verify) {
        production.insert_production_data();
    }
    production.find_rescue_copy();
    production.prepare_erase_counter();

    if (options.erase) {
        // What the files rule out is refused before the erase.
        fit_test(state);
        session.waits = write_waits(session.current_device(), options.delay_factor);
        production.save_eeprom();
        try {
            erase_device(session);
            check_device_match(state, true);
            // As early as the chip allows, so that a broken run leaves the count behind.
            if (production.settled_erase_count()) {
                production.write_erase_counter();
            }
            lock_test(options, session);
            fuse_test(state, session);
            blank_check_or_fail(options, session, production);
            production.restore_eeprom();
        } catch (const app_error&) {
            production.rescue_eeprom();
            throw;
        }
    } else {
        check_device_match(state, true);
        lock_test(options, session);
        fuse_test(state, session);
        blank_check_or_fail(options, session, production);
        fit_test(state);
    }

    session.waits = write_waits(session.current_device(), options.delay_factor);
    if (options.read) {
        read_into_files(state);
    } else {
        write_chip(state);
    }
    production.keep_used_serial();
    if (state.output_lost) {
        // The message was printed where the file could not be written.
        throw app_error(EXIT_ENVIRONMENT);
    }
}

} // namespace quarnel
