// The building blocks of a run, in the order the run sequence uses them.
#pragma once

#include <optional>
#include <string>

// Reads the input files into the images (with -w or -v); a single file whose
// data reaches above the flash gives that part to the EEPROM image.
void load_files();

// Creates the adapter the -a text asks for: the FTDI factory for "ft2232",
// "ft4232h" or "ft232h" (any case), else the parallel-port factory.
void create_adapter(const std::optional<std::string>& adapter_spec,
                    const std::optional<std::string>& port_spec);

// Waits for a press of the adapter key, debounced.
void wait_adapter_key();

// Compares the identified chip with +name; forces it with -!, else ends the run (30).
void check_device_match(bool strict);

// The requested operations in their fixed order.
void run_operations();
