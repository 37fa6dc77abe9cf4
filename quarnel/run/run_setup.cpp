// Loading the input files, creating the adapter and waiting for its key.
#include "quarnel/adapters/ftdi/bitbang/bitbang_adapter.h"
#include "quarnel/adapters/ftdi/mpsse/mpsse_adapter.h"
#include "quarnel/adapters/linuxspi/linuxspi_adapter.h"
#include "quarnel/adapters/lpt/lpt_adapter_setup.h"
#include "quarnel/adapters/os_timer.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/common/user_break.h"
#include "quarnel/image/image_file.h"
#include "quarnel/image/image_split.h"
#include "quarnel/isp/spi_programmer.h"
#include "quarnel/programmers/arduinoisp/arduinoisp_setup.h"
#include "quarnel/programmers/usbasp/usbasp_programmer.h"
#include "quarnel/run/run_steps.h"

namespace quarnel {

void load_files(RunState& run) {
    const RunOptions& options = run.options;
    if (!options.write && !options.verify) {
        return;
    }
    InputFile code = read_input_file(options.code_file(), console_key_is_yes);
    InputFile data = read_input_file(options.data_file(), console_key_is_yes);
    run.flash = std::move(code.image);
    if (data.format == FILE_ELF) {
        if (!data.image.empty()) {
            console_log(1, "Warning: flash part of %s not used, it is named for %s\n",
                        options.data_file().name->c_str(), memory_names[SLOT_DATA]);
        }
        run.eeprom = std::move(data.eeprom);
    } else {
        run.eeprom = std::move(data.image);
    }
    if (code.format == FILE_ELF && !code.eeprom.empty()) {
        if (options.data_file().name) {
            console_log(1, "Warning: EEPROM part of %s not used, %s comes from %s\n",
                        options.code_file().name->c_str(), memory_names[SLOT_DATA],
                        options.data_file().name->c_str());
        } else {
            run.eeprom = std::move(code.eeprom);
        }
    }
    run.file_config[SLOT_CODE] = code.config;
    run.file_config[SLOT_DATA] = data.config;
    // Without a chip name the run can only be the FTDI device listing, which
    // ends when the adapter is created and needs no split.
    if (!options.requested_name) {
        return;
    }
    settle_file_requests(run);
    // An ELF file places its EEPROM part itself.
    if (!options.single_file || code.format == FILE_ELF || run.flash.empty()) {
        return;
    }
    const std::int32_t flash_size = run.session.current_device().flash_size;
    if (run.flash.tail()->last() >= flash_size) {
        move_portions_above(run.flash, run.eeprom, flash_size);
    }
}

AdapterSettings adapter_settings(const RunOptions& options, const DeviceSelection& device) {
    AdapterSettings settings{
        .adapter_spec = options.adapter_spec,
        .port_spec = options.port_spec,
        .osc_hz = options.osc_hz,
        .sck_given = options.sck_given,
        .lazy = options.lazy,
        .power_from_data = options.power_from_data,
        .force = options.force,
        .sck_phases = std::nullopt,
    };
    if (options.requested_name) {
        settings.sck_phases =
            sck_phase_cycles(device.current(), options.osc_hz, options.sck_divider);
    }
    return settings;
}

void create_adapter(RunState& run) {
    const RunOptions& options = run.options;
    const AdapterSettings settings = adapter_settings(options, run.session.device);
    // The old adapter goes first, so that its port or USB device is free again.
    run.session.programmer = nullptr;
    run.programmer.reset();
    run.adapter.reset();
    // The whole names of the newer adapters first: each is a text the letter rules refuse.
    // Programmers with firmware of their own have no byte-level adapter beneath them.
    if (options.adapter_spec && is_usbasp_adapter_spec(*options.adapter_spec)) {
        run.programmer = create_usbasp_programmer(settings);
        run.session.programmer = run.programmer.get();
        return;
    }
    if (options.adapter_spec && is_arduinoisp_adapter_spec(*options.adapter_spec)) {
        run.programmer = create_arduinoisp_programmer(settings, run.session.device);
        run.session.programmer = run.programmer.get();
        return;
    }
    if (options.adapter_spec && is_linuxspi_adapter_spec(*options.adapter_spec)) {
        run.adapter = create_linuxspi_adapter(settings);
    } else if (options.adapter_spec && is_bitbang_adapter_spec(*options.adapter_spec)) {
        run.adapter = create_bitbang_adapter(settings);
    } else if (options.adapter_spec && is_mpsse_adapter_spec(*options.adapter_spec)) {
        run.adapter = create_mpsse_adapter(settings);
    } else {
        run.adapter = create_lpt_adapter(settings);
    }
    run.programmer = std::make_unique<spi_programmer_t>(*run.adapter);
    run.session.programmer = run.programmer.get();
}

namespace {

// The key reading once it came back the same twice in a row, 20 ms apart.
bool debounced_key(programmer_t& adapter) {
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

void wait_adapter_key(RunState& run) {
    programmer_t& adapter = *run.programmer;
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

} // namespace quarnel
