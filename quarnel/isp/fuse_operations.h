// Fuse, lock and calibration operations: read, merge, write, verify, print.
#pragma once

#include <array>
#include <cstdint>

namespace quarnel {

struct IspSession;

// Sends first, second, 0, 0 and returns the fourth reply byte.
std::uint8_t read_fuse_byte(const IspSession& session, std::uint8_t first, std::uint8_t second);

// Fills the read values of fuse_request by the device's fuse format.
void read_fuses(IspSession& session);

// The read values of fuse_request, by fuse byte index.
std::array<std::uint8_t, 4> fuse_read_values(const IspSession& session);

// Reads the device's calibration bytes into session.calibration.
void read_osccal(IspSession& session);

// Sends 0xAC, second, 0x00, fourth and waits four EEPROM write times.
void write_fuse_byte(const IspSession& session, std::uint8_t second, std::uint8_t fourth);

// Merges every byte of fuse_request with the values read and writes the
// requested bytes; the merged values replace the wanted ones.
void program_fuses(IspSession& session);

// True when the chip's EESAVE fuse is programmed, so that a chip erase keeps the EEPROM;
// reads the fuse byte that holds it. False for devices without that fuse.
bool eesave_programmed(const IspSession& session);

// True when some requested boot lock bit would have to be released.
bool fuses_need_erase(const IspSession& session);

// Reads the fuses back; true when every requested field holds its value.
bool verify_fuses(IspSession& session);

// Prints the title, the calibration bytes and every fuse byte and field.
void print_fuse_values(const IspSession& session, const char* title,
                       const std::array<std::uint8_t, 4>& values);

// "Chip not locked" and the other levels, or "Lock state unknown".
void print_lock_state(const IspSession& session);

} // namespace quarnel
