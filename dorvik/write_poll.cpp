// Polling with a time limit over the platform clock.
#include "dorvik/write_poll.h"

#include "platform/clock.h"

#include <cstdio>

namespace dorvik {

bool poll_written_byte(read_byte_fn read, std::uint32_t address, std::uint8_t expected) {
    const std::int64_t start = platform::counter_now();
    const std::int64_t limit = platform::counter_frequency() * WRITE_POLL_LIMIT_MS / 1000;
    for (;;) {
        // The time is taken before the read, so the last read starts after the
        // limit: a pause of the host cannot make a finished write look stuck.
        const bool late = platform::counter_now() - start > limit;
        if (read(address) == expected) {
            return true;
        }
        if (late) {
            std::printf("\n  Error: the chip did not finish writing address %04X.\n", address);
            return false;
        }
    }
}

} // namespace dorvik
