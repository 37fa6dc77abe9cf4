// The record of one run: what main owns and hands down to every step.
#pragma once

#include "quarnel/adapters/spi.h"
#include "quarnel/image/file_config.h"
#include "quarnel/image/portion_list.h"
#include "quarnel/isp/programmer.h"
#include "quarnel/isp/session.h"
#include "quarnel/production/production.h"
#include "quarnel/run/run_options.h"

#include <memory>
#include <optional>

namespace quarnel {

struct RunState {
    RunOptions options; // filled once by the command line, then read only
    IspSession session; // the identified row, the fuses read back, the chip's state
    PortionList flash;
    PortionList eeprom;
    ProductionSettings production_settings;
    std::optional<ProductionData> production; // from the first chip operation on
    bool output_lost = false;                 // a file read from the chip could not be written
    FileConfig file_config[2];      // by slot: the fuse, lock and signature bytes of an ELF file
    bool file_fuse_request = false; // --file-fuses or --file-lock put bytes into session.fuses
    lock_request file_lock_level = lock_request::none; // the lock bits of --file-lock
    // Destroyed before the rest: its destructor puts the hardware into its safe
    // (or, with -az, high-impedance) state. None for a programmer that drives the chip itself.
    std::unique_ptr<spi_t> adapter;
    // The ISP engine's way to the chip: over the adapter, or a programmer with firmware of its
    // own; gone before the adapter.
    std::unique_ptr<programmer_t> programmer;
};

} // namespace quarnel
