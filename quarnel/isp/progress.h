// Progress display of the whole-memory operations: dots and the closing time.
#pragma once

namespace quarnel {

struct IspSession;

// Starts the timer; one dot per 512 flash or 32 EEPROM bytes of the current memory.
void progress_start(IspSession& session);
void progress_advance(IspSession& session, long bytes);
// Prints " done (<elapsed>)".
void progress_done(IspSession& session);

} // namespace quarnel
