// Progress display of the whole-memory operations: dots and the closing time, or on a
// terminal one line rewritten in place.
#include "quarnel/isp/progress.h"

#include "quarnel/common/console.h"
#include "quarnel/common/units.h"
#include "quarnel/isp/memory_read.h"
#include "quarnel/isp/session.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quarnel {

namespace {

void show_line(Progress& progress, bool finished) {
    console_rewrite_line(progress_line(progress.done, progress.total,
                                       static_cast<double>(progress.timer.elapsed_ms()), finished)
                             .c_str());
}

} // namespace

std::string progress_line(long done, long total, double elapsed_ms, bool finished) {
    const long shown_total = std::max(total, done);
    const long percent = shown_total == 0 ? 100 : done * 100 / shown_total;
    char text[120];
    int length =
        std::snprintf(text, sizeof text, "%3ld%% %ld/%ld bytes", percent, done, shown_total);
    if (done > 0 && elapsed_ms > 0) {
        const double rate = done * 1000.0 / elapsed_ms; // bytes per second
        length +=
            rate >= 1000
                ? std::snprintf(text + length, sizeof text - length, ", %.1f kB/s", rate / 1000)
                : std::snprintf(text + length, sizeof text - length, ", %.0f B/s", rate);
        if (!finished) {
            const auto left_s = std::lround((shown_total - done) / rate);
            std::snprintf(text + length, sizeof text - length, ", %ld:%02ld left", left_s / 60,
                          left_s % 60);
        }
    }
    return text;
}

void progress_start(Progress& progress, memory_slot memory, long total) {
    progress.timer.restart();
    progress.counter = 0;
    progress.unit = chunk_size(memory);
    progress.done = 0;
    progress.total = total;
    progress.rewrite = console.verbosity >= 2 && console_rewrites_lines();
    if (progress.rewrite) {
        show_line(progress, false);
    }
}

void progress_advance(Progress& progress, long bytes) {
    progress.counter += bytes;
    progress.done += bytes;
    if (progress.counter < progress.unit) {
        return;
    }
    if (progress.rewrite) {
        progress.counter %= progress.unit;
        show_line(progress, false);
        return;
    }
    while (progress.counter >= progress.unit) {
        progress.counter -= progress.unit;
        console_log(2, ".");
    }
}

void progress_done(Progress& progress) {
    progress.timer.stop();
    if (progress.rewrite && console.open_line != 0) {
        show_line(progress, true);
        console.open_line = 0; // the ending belongs on this line
    }
    console_log(
        2, " done (%s)\n",
        format_time(static_cast<double>(progress.timer.elapsed_ms()) / 1000.0, TIME_S).c_str());
}

} // namespace quarnel
