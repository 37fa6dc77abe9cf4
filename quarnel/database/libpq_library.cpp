// Loading libpq once per process and taking its calls.
#include "quarnel/database/libpq_library.h"

#include "platform/shared_library.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

#include <cstdlib>
#include <memory>

namespace quarnel {

namespace {

const char* library_file_name() {
    const char* configured = std::getenv("LIBPQ_LIBRARY");
    if (configured != nullptr && *configured != '\0') {
        return configured;
    }
#ifdef _WIN32
    return "libpq.dll";
#else
    return "libpq.so.5";
#endif
}

struct LoadedLibpq {
    dynamic_library_t library;
    LibpqApi api{};
};

template <typename Function>
void take(dynamic_library_t& library, Function& slot, const char* name) {
    slot = library_function<Function>(library, name);
}

std::unique_ptr<LoadedLibpq> load_libpq() {
    auto loaded = std::make_unique<LoadedLibpq>();
    dynamic_library_t& library = loaded->library;
    LibpqApi& api = loaded->api;
    library.load(library_file_name());
    take(library, api.PQconnectdb, "PQconnectdb");
    take(library, api.PQstatus, "PQstatus");
    take(library, api.PQerrorMessage, "PQerrorMessage");
    take(library, api.PQfinish, "PQfinish");
    take(library, api.PQsetNoticeProcessor, "PQsetNoticeProcessor");
    take(library, api.PQexecParams, "PQexecParams");
    take(library, api.PQresultStatus, "PQresultStatus");
    take(library, api.PQresultErrorMessage, "PQresultErrorMessage");
    take(library, api.PQntuples, "PQntuples");
    take(library, api.PQnfields, "PQnfields");
    take(library, api.PQgetvalue, "PQgetvalue");
    take(library, api.PQgetisnull, "PQgetisnull");
    take(library, api.PQclear, "PQclear");
    take(library, api.PQconninfoParse, "PQconninfoParse");
    take(library, api.PQconninfoFree, "PQconninfoFree");
    take(library, api.PQfreemem, "PQfreemem");
    return loaded;
}

} // namespace

bool libpq_available() {
    return platform::shared_library(library_file_name()).loaded();
}

const LibpqApi& libpq() {
    // Never unloaded: libpq's TLS libraries run exit handlers of their own, which must find
    // their code still mapped when the process ends.
    static const LoadedLibpq* loaded = nullptr;
    if (loaded == nullptr) {
        try {
            loaded = load_libpq().release();
        } catch (const app_error&) {
            console_log(0, "The database needs PostgreSQL's client library (Debian's libpq5)\n");
            throw;
        }
    }
    return loaded->api;
}

} // namespace quarnel
