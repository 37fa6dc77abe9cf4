// The building blocks of a run, in the order the run sequence uses them.
#pragma once

#include "quarnel/adapters/adapter_settings.h"
#include "quarnel/run/run_state.h"

namespace quarnel {

// Reads the input files into the images (with -w or -v); a single file whose
// data reaches above the flash gives that part to the EEPROM image, an ELF file its
// EEPROM part when no EEPROM file is named.
void load_files(RunState& run);

// Puts the fuse and lock bytes of the input files into the fuse request and the lock
// request, for --file-fuses and --file-lock; a file without them, or bytes the device
// lacks, end the run (50).
void settle_file_requests(RunState& run);

// True when the run writes or verifies fuses: -f, or bytes that the files gave.
bool fuses_requested(const RunState& run);

// Compares the signature an input file was built for with the chip's: a different
// one ends the run (30), or with -! gives a warning.
void check_file_signature(const RunState& run);

// Without --file-fuses: one warning line naming the file's fuse bytes that differ from
// the chip's, once the fuses have been read.
void warn_file_fuses(const RunState& run);

// What the adapter factories take from the options, with the SCK phases of
// the row in force when the run names a chip.
AdapterSettings adapter_settings(const RunOptions& options, const DeviceSelection& device);

// Creates the adapter the -a text asks for: the FTDI factory for "ft2232",
// "ft4232h" or "ft232h" (any case), else the parallel-port factory.
void create_adapter(RunState& run);

// Waits for a press of the adapter key, debounced.
void wait_adapter_key(RunState& run);

// The operations of the run in their fixed order, from programming enable to
// the serial-number file.
void run_operations(RunState& run);

// Compares the identified chip with +name; forces it with -!, else ends the run (30).
void check_device_match(RunState& run, bool strict);

} // namespace quarnel
