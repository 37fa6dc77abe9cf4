// A virtual chip on the stand-in parallel port, and quarnel runs against it.
#pragma once

#include "tests/support/run_program.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

struct HexRecord {
    unsigned address;
    Bytes data;
};

// An Intel HEX file holding the records, then the end record.
std::string hex_text(const std::vector<HexRecord>& records);
// The bytes an Intel HEX text defines, in a memory of `size` bytes (0xFF elsewhere),
// and how many bytes it defines.
Bytes hex_bytes(const std::string& text, std::size_t size, std::size_t* defined = nullptr);

struct BenchRun {
    std::string body; // after the banner (checked, then left out), with times shown as "T"
    int status = -1;
};

// One fresh folder with the target file "chip.avr" of a new chip.
class Bench {
  public:
    // `settings` are avrsim keys; the port runs at 0.1 us per access unless one is given.
    Bench(const std::string& chip, const std::vector<std::string>& settings = {});

    // Runs quarnel in the folder against the chip; `run` may add a signal or a time-out.
    BenchRun quarnel(const std::vector<std::string>& args, ProgramRun run = {}) const;
    // Runs quarnel through the /bin/sh `script`, in which "$0" "$@" is the quarnel
    // command (for limits, traps and timed signals).
    BenchRun quarnel_shell(const std::string& script, const std::vector<std::string>& args) const;

    // Another chip's target file in the folder, made as the constructor makes chip.avr.
    void add_chip(const std::string& name, const std::string& chip,
                  const std::vector<std::string>& settings = {}) const;
    // The chip's whole flash or EEPROM ("flash" or "eeprom").
    Bytes memory(const std::string& which, const std::string& chip_file = "chip.avr") const;
    // A value of `avrsim show` ("lock", "fuse_low", ...).
    std::string setting(const std::string& key, const std::string& chip_file = "chip.avr") const;
    void set(const std::vector<std::string>& settings) const;
    void load(const std::string& which, const std::vector<HexRecord>& records) const;

    std::string file(const std::string& name) const { return dir.file(name); }
    void put(const std::string& name, const std::string& content) const;
    std::string get(const std::string& name) const;
    // The names in the folder.
    std::set<std::string> files() const;

  private:
    std::string avrsim(const std::vector<std::string>& args) const;
    BenchRun finish(const ProgramResult& result) const;
    TempDir dir;
};

// Expected texts of a run, built from the lines quarnel prints.
std::string echo(const std::vector<std::string>& args);
std::string connected(const std::string& row_name);

// The fuse report of a mega8 or tiny2313 under `title` ("Fuses " or "New fuses value").
std::string mega8_fuses(const std::string& title, unsigned lock = 0xFF, unsigned low = 0xE1,
                        unsigned high = 0xD9, const std::string& osccal = "A7 9C A3 B1");
std::string tiny2313_fuses(const std::string& title, unsigned low = 0x64, unsigned high = 0xDF,
                           const std::string& osccal = "A7 9C");
