// Progress display of the whole-memory operations: dots and the closing time, or on a
// terminal one line rewritten in place.
#pragma once

#include "quarnel/common/memory_slot.h"

#include <string>

namespace quarnel {

struct Progress;

// Starts the timer for an operation on `total` bytes of `memory`: one
// dot per 512 flash or 32 EEPROM bytes, or on a terminal (without -%) a line
// with the share done, the bytes, the rate and the time left.
void progress_start(Progress& progress, memory_slot memory, long total);
void progress_advance(Progress& progress, long bytes);
// Prints " done (<elapsed>)".
void progress_done(Progress& progress);

// The terminal's progress line: "<percent>% <done>/<total> bytes", then the rate
// and, while not finished, the time left, once a rate is known.
std::string progress_line(long done, long total, double elapsed_ms, bool finished);

} // namespace quarnel
