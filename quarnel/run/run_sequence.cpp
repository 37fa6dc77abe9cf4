// The run as main hands it over: settings, files, adapter, target power, operations.
#include "quarnel/run/run_sequence.h"

#include "quarnel/isp/target_power.h"
#include "quarnel/run/run_steps.h"

namespace quarnel {

void settle_run(RunState& run) {
    const RunOptions& options = run.options;
    run.session.device.requested_name = options.requested_name;
    run.session.settings = {
        .inactive_reset_ms = options.inactive_reset_ms,
        .erase_counter = options.erase_counter,
        .preserve_eeprom = options.preserve_eeprom,
        .write_poll = options.write_poll,
        .write_fill_eeprom = options.write_fill_eeprom,
        .verify_all = options.verify_all,
    };
    run.production_settings = {
        .write = options.write,
        .verify = options.verify,
        .erase = options.erase,
        .force = options.force,
        .forced_erase_count = options.erase_count,
        .delay_factor = options.delay_factor,
        .read_keep_ff = options.read_keep_ff,
        .osccal_insert = options.osccal_insert,
        .serno_insert = options.serno_insert,
        .bytes_insert = options.bytes_insert,
        .serial_database = options.serial_database,
    };
}

void run_sequence(RunState& run, const std::function<void(RunState&)>& before_operations) {
    const RunOptions& options = run.options;
    if (options.wait_key_early) {
        create_adapter(run);
        wait_adapter_key(run);
        load_files(run);
        power_up_target(run.session);
    } else {
        load_files(run);
        create_adapter(run);
        power_up_target(run.session);
        if (options.wait_key) {
            wait_adapter_key(run);
        }
    }
    if (before_operations) {
        before_operations(run);
    }
    run_operations(run);
}

void release_run_target(RunState& run) {
    if (run.programmer) {
        release_target(run.session);
    }
}

} // namespace quarnel
