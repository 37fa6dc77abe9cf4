// What a run keeps beside its options: the session with its adapter, the two images.
#pragma once

#include "quarnel/adapters/spi.h"
#include "quarnel/image/portion_list.h"
#include "quarnel/isp/session.h"

#include <memory>

struct RunState {
    IspSession session; // identified row lives in detected_index (quarnel/devices)
    PortionList flash;
    PortionList eeprom;
    // Deleted when the program exits, after main returns: its destructor puts the
    // hardware into its safe (or, with -az, high-impedance) state.
    std::unique_ptr<spi_t> adapter;
};

// The state of the current run.
RunState& run_state();
