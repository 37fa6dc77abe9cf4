// The run sequence as main sees it: the run itself and the adapter and target it leaves behind.
#pragma once

class spi_t;

// Loads the files, creates the adapter, powers the target and runs the
// requested operations; failures raise the app_error family.
void run_sequence();

// The adapter the run created, or nullptr when none exists (yet).
spi_t* run_adapter();

// Releases the target (reset, adapter enable, power) when it was powered up;
// does nothing otherwise.
void release_run_target();
