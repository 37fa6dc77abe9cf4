// Placeholder run sequence for builds without the programming engine: it creates no
// adapter, powers no target and refuses the run.
#include "quarnel/run/run_sequence.h"

#include "quarnel/run/console.h"
#include "quarnel/run/errors.h"

void run_sequence() {
    console_log(0, "Run sequence not available\n");
    throw app_error(EXIT_ENVIRONMENT);
}

spi_t* run_adapter() {
    return nullptr;
}

void release_run_target() {}
