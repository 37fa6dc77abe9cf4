// The run as main hands it over: files, adapter, target power, operations.
#include "quarnel/run/run_sequence.h"

#include "quarnel/isp/target_power.h"
#include "quarnel/run/run_options.h"
#include "quarnel/run/run_state.h"
#include "quarnel/run/run_steps.h"

RunState& run_state() {
    static RunState state;
    return state;
}

void run_sequence() {
    RunState& state = run_state();
    if (options.wait_key_early) {
        create_adapter(options.adapter_spec, options.port_spec);
        wait_adapter_key();
        load_files();
        power_up_target(state.session);
    } else {
        load_files();
        create_adapter(options.adapter_spec, options.port_spec);
        power_up_target(state.session);
        if (options.wait_key) {
            wait_adapter_key();
        }
    }
    run_operations();
}

spi_t* run_adapter() {
    return run_state().adapter.get();
}

void release_run_target() {
    RunState& state = run_state();
    if (state.adapter) {
        release_target(state.session);
    }
}
