// Target files: a virtual chip, its wiring, injected faults and its memories, as readable text.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim/chip_state.h"
#include "sim/chip_store.h"
#include "sim/target_error.h"

namespace avrsim {

struct Target {
    ChipState chip;
    ChipSettings settings;
    std::string adapter = "kelma";
    double port_cycle_us = 1.25; // a PC port behind its ISA or LPC bridge
    bool direction_reads_back = true;
    std::string stats_path; // where a stand-in library writes its access counts; empty: nowhere
    // A socket a handler fills from this folder's chip files (ChipSocket); empty: the chip
    // of this file stays on the lines for the whole process.
    std::string socket_dir;
    double socket_idle_ms = 200.0; // idle time with the chip out of reset before the hand moves
    // Settings of other stand-in libraries (keys beginning with "ftdi", "spidev" or "gpio"),
    // in file order;
    // kept as written and saved back unchanged.
    std::vector<std::pair<std::string, std::string>> extra;

    // Value of an extra key, if the file has it.
    std::optional<std::string> extra_value(const std::string& key) const;
    // Adds or replaces an extra key.
    void set_extra(const std::string& key, const std::string& value);
};

// A new target holding the factory state of the catalogue device `chip_name`.
Target new_target(const std::string& chip_name);

// Applies one key=value setting (the keys of setting_help()); throws target_error.
void apply_setting(Target& target, const std::string& key, const std::string& value);

// Applies "key=value" text; throws target_error.
void apply_setting_text(Target& target, const std::string& text);

// Reads a target file; throws target_error naming the file and line for damaged content.
Target load_target(const std::string& path);

// Writes the target file whole: a temporary file beside it, renamed over it when complete.
// Throws target_error.
void save_target(const Target& target, const std::string& path);

// The target file's text.
std::string target_text(const Target& target);

// Where the parts a chip changes stand in a target file written with every memory line.
struct TargetLayout {
    std::size_t fuse_at[4] = {}; // the two digits of the lock byte and of each fuse byte
    std::size_t flash_at = 0;    // the first flash line
    std::size_t eeprom_at = 0;   // the first EEPROM line

    // The whole lines that hold `count` bytes of `part` from `start`, and their offset.
    struct Lines {
        std::size_t at = 0;
        std::string text;
    };
    Lines lines_of(const Target& target, chip_part part, std::size_t start,
                   std::size_t count) const;
};

// The target file's text with a line for every 16 bytes of each memory, erased ones too, so
// that each byte keeps its place; `layout` learns the places.
std::string full_target_text(const Target& target, TargetLayout& layout);

// One line per key: name, values and meaning.
const char* setting_help();

} // namespace avrsim
