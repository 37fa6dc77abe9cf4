// Loading the input files, creating the adapter and waiting for its key.
#include "quarnel/adapters/ftdi/mpsse_adapter.h"
#include "quarnel/adapters/lpt/lpt_adapter_setup.h"
#include "quarnel/adapters/os_timer.h"
#include "quarnel/devices/current_device.h"
#include "quarnel/image/image_file.h"
#include "quarnel/image/image_split.h"
#include "quarnel/run/console.h"
#include "quarnel/run/errors.h"
#include "quarnel/run/run_options.h"
#include "quarnel/run/run_state.h"
#include "quarnel/run/run_steps.h"
#include "quarnel/run/user_break.h"

void load_files() {
    if (!options.write && !options.verify) {
        return;
    }
    RunState& state = run_state();
    read_image_file(state.flash, options.code_file());
    read_image_file(state.eeprom, options.data_file());
    // Without a chip name the run can only be the FTDI device listing, which
    // ends when the adapter is created and needs no split.
    if (!options.requested_name || !options.single_file || state.flash.empty()) {
        return;
    }
    const std::int32_t flash_size = current_device().flash_size;
    if (state.flash.tail()->last() >= flash_size) {
        move_portions_above(state.flash, state.eeprom, flash_size);
    }
}

void create_adapter(const std::optional<std::string>& adapter_spec,
                    const std::optional<std::string>& port_spec) {
    RunState& state = run_state();
    // The old adapter goes first, so that its port or USB device is free again.
    state.session.adapter = nullptr;
    state.adapter.reset();
    if (adapter_spec && is_mpsse_adapter_spec(*adapter_spec)) {
        state.adapter = create_mpsse_adapter(*adapter_spec, port_spec);
    } else {
        state.adapter = create_lpt_adapter(adapter_spec, port_spec);
    }
    state.session.adapter = state.adapter.get();
}

namespace {

// The key reading once it came back the same twice in a row, 20 ms apart.
bool debounced_key(spi_t& adapter) {
    os_timer_t timer;
    timer.set_delay(20.0f);
    bool reading = adapter.key_pressed();
    int same = 0;
    while (same < 2) {
        poll_user_break();
        timer.wait();
        const bool now = adapter.key_pressed();
        if (now == reading) {
            ++same;
        } else {
            reading = now;
            same = 0;
        }
    }
    return reading;
}

} // namespace

void wait_adapter_key() {
    spi_t& adapter = *run_state().adapter;
    if (!adapter.has_key()) {
        console_log(0, "Key not defined for given adapter, can't process -k switch\n");
        throw app_error(EXIT_ENVIRONMENT);
    }
    console_log(1, "Press ADAPTER KEY for continue.\n");
    while (debounced_key(adapter)) {
    }
    while (!debounced_key(adapter)) {
    }
    console_log(2, "Start programming...\n");
}
