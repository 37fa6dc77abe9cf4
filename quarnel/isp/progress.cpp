// Progress display of the whole-memory operations: dots and the closing time.
#include "quarnel/isp/progress.h"

#include "quarnel/common/console.h"
#include "quarnel/common/units.h"
#include "quarnel/isp/memory_read.h"
#include "quarnel/isp/session.h"

namespace quarnel {

void progress_start(IspSession& session) {
    Progress& progress = session.progress;
    progress.timer.restart();
    progress.counter = 0;
    progress.unit = chunk_size(session.prog.memory);
}

void progress_advance(IspSession& session, long bytes) {
    Progress& progress = session.progress;
    progress.counter += bytes;
    while (progress.counter >= progress.unit) {
        progress.counter -= progress.unit;
        console_log(2, ".");
    }
}

void progress_done(IspSession& session) {
    Progress& progress = session.progress;
    progress.timer.stop();
    console_log(
        2, " done (%s)\n",
        format_time(static_cast<double>(progress.timer.elapsed_ms()) / 1000.0, TIME_S).c_str());
}

} // namespace quarnel
