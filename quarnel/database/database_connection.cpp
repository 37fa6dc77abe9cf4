// Connecting with a time-out, statements with parameters, tables created when missing.
#include "quarnel/database/database_connection.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/database/libpq_library.h"

#include <cstdlib>
#include <memory>

namespace quarnel {

namespace {

// libpq's messages end with a line feed (sometimes more than one line).
std::string trimmed(const char* message) {
    std::string text = message != nullptr ? message : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

// The server's NOTICE lines ("relation already exists") are not the user's business.
void ignore_notice(void* /*arg*/, const char* /*message*/) {}

// Any number; only the statements under it wait for one another.
constexpr const char* TABLE_LOCK = "SELECT pg_advisory_xact_lock(2003792227)";

} // namespace

bool is_database_uri(const std::string& text) {
    return text.rfind("postgresql://", 0) == 0 || text.rfind("postgres://", 0) == 0;
}

std::optional<std::string> with_connect_timeout(const std::string& target, std::string& error) {
    const LibpqApi& pq = libpq();
    char* message = nullptr;
    PqConninfoOption* options = pq.PQconninfoParse(target.c_str(), &message);
    if (options == nullptr) {
        error = message != nullptr ? trimmed(message) : "out of memory";
        if (message != nullptr) {
            pq.PQfreemem(message);
        }
        return std::nullopt;
    }
    // libpq takes PGCONNECT_TIMEOUT for a text that sets none.
    const char* environment = std::getenv("PGCONNECT_TIMEOUT");
    bool has_timeout = environment != nullptr && *environment != '\0';
    for (const PqConninfoOption* option = options; option->keyword != nullptr; ++option) {
        if (std::string(option->keyword) == "connect_timeout" && option->val != nullptr) {
            has_timeout = true;
        }
    }
    pq.PQconninfoFree(options);
    if (has_timeout) {
        return target;
    }
    if (is_database_uri(target)) {
        const char* separator = target.find('?') == std::string::npos ? "?" : "&";
        return target + separator + "connect_timeout=" + DEFAULT_CONNECT_TIMEOUT;
    }
    return target + " connect_timeout=" + DEFAULT_CONNECT_TIMEOUT;
}

DatabaseConnection::DatabaseConnection(const std::string& target) {
    const LibpqApi& pq = libpq();
    std::string error;
    const std::optional<std::string> conninfo = with_connect_timeout(target, error);
    if (!conninfo) {
        console_log(0, "Can't connect to the database: %s\n", error.c_str());
        throw app_error(EXIT_ENVIRONMENT);
    }
    connection = pq.PQconnectdb(conninfo->c_str());
    if (connection == nullptr || pq.PQstatus(connection) != PQ_CONNECTION_OK) {
        console_log(0, "Can't connect to the database: %s\n",
                    connection != nullptr ? trimmed(pq.PQerrorMessage(connection)).c_str()
                                          : "out of memory");
        if (connection != nullptr) {
            pq.PQfinish(connection);
            connection = nullptr;
        }
        throw app_error(EXIT_ENVIRONMENT);
    }
    pq.PQsetNoticeProcessor(connection, ignore_notice, nullptr);
}

DatabaseConnection::~DatabaseConnection() {
    if (connection != nullptr) {
        libpq().PQfinish(connection);
    }
}

std::vector<DatabaseRow> DatabaseConnection::execute(const char* statement,
                                                     const std::vector<DatabaseValue>& parameters) {
    const LibpqApi& pq = libpq();
    std::vector<const char*> values;
    values.reserve(parameters.size());
    for (const DatabaseValue& parameter : parameters) {
        values.push_back(parameter ? parameter->c_str() : nullptr);
    }
    const std::unique_ptr<pg_result, void (*)(pg_result*)> result(
        pq.PQexecParams(connection, statement, static_cast<int>(values.size()), nullptr,
                        values.data(), nullptr, nullptr, 0),
        pq.PQclear);
    const int status = result ? pq.PQresultStatus(result.get()) : -1;
    if (status != PQ_COMMAND_OK && status != PQ_TUPLES_OK) {
        console_log(0, "Database statement failed: %s\n",
                    result ? trimmed(pq.PQresultErrorMessage(result.get())).c_str()
                           : trimmed(pq.PQerrorMessage(connection)).c_str());
        throw app_error(EXIT_ENVIRONMENT);
    }
    std::vector<DatabaseRow> rows;
    if (status == PQ_TUPLES_OK) {
        const int count = pq.PQntuples(result.get());
        const int columns = pq.PQnfields(result.get());
        for (int row = 0; row < count; ++row) {
            DatabaseRow& values_of_row = rows.emplace_back();
            for (int column = 0; column < columns; ++column) {
                values_of_row.push_back(
                    pq.PQgetisnull(result.get(), row, column) != 0
                        ? DatabaseValue()
                        : DatabaseValue(pq.PQgetvalue(result.get(), row, column)));
            }
        }
    }
    return rows;
}

void DatabaseConnection::ensure_table(const char* table, const char* statement) {
    const auto found = execute("SELECT to_regclass($1) IS NOT NULL", {std::string(table)});
    if (!found.empty() && found[0][0] == std::string("t")) {
        return;
    }
    // A failure ends the connection, and the server rolls the transaction back with it.
    execute("BEGIN");
    execute(TABLE_LOCK);
    execute(statement);
    execute("COMMIT");
}

} // namespace quarnel
