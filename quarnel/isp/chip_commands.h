// Chip-wide instructions: lock state, chip erase with its correction, lock-bit writes.
#pragma once

namespace quarnel {

struct IspSession;

// The lock level that lock bits 1..0 (LB2, LB1; 1 = unprogrammed) give: 0, 1 or 2.
int lock_level_of_bits(unsigned bits);

// Reads the lock bits into session.lock_state (LOCK_UNKNOWN where they cannot be read).
void read_lock_state(IspSession& session);

// Chip Erase, its wait, and a reset pulse; programming mode must be entered again.
void chip_erase(const IspSession& session);

// The complete erase step: correction sequence where needed, erase, programming
// mode again, new lock read; marks the chip erased.
void erase_device(IspSession& session);

// Locks to `level` (1 or 2); returns the level written, at most 2.
int write_lock_bits(const IspSession& session, int level);

} // namespace quarnel
