// The handlers that end a run: memory exhaustion, the app_error family, other exceptions.
#include "quarnel/run/error_report.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

#include <exception>
#include <new>

namespace quarnel {

int run_reporting_errors(const std::function<void()>& step) {
    try {
        step();
        return EXIT_OK;
    } catch (const std::bad_alloc&) {
        console_log(0, "Can't allocate memory\n");
        return EXIT_NO_MEMORY;
    } catch (const app_error& error) {
        console_log(0, "%s\n", error.what());
        return error.code;
    } catch (const std::exception& error) {
        console_log(0, "%s\n", error.what());
        return EXIT_OTHER;
    }
}

} // namespace quarnel
