// One connection to a PostgreSQL server and the statements this program runs on it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quarnel {

struct pg_conn;

// A statement's parameter or result value; nothing is SQL's NULL.
using DatabaseValue = std::optional<std::string>;
using DatabaseRow = std::vector<DatabaseValue>;

// Whether `text` is a libpq connection URI (postgresql:// or postgres://), not a file name.
bool is_database_uri(const std::string& text);

// connect_timeout (seconds) added to a connection text that sets none.
constexpr const char* DEFAULT_CONNECT_TIMEOUT = "10";

// `target` with connect_timeout added when neither it nor PGCONNECT_TIMEOUT sets one: a URI
// gets it as a parameter, a keyword string as one more keyword. Nothing when libpq cannot read the
// text; `error` then holds its reason.
std::optional<std::string> with_connect_timeout(const std::string& target, std::string& error);

class DatabaseConnection {
  public:
    // Connects to `target` (a libpq URI or keyword string; never printed, it may hold a
    // password). Failures print "Can't connect to the database" and the server's or
    // library's reason and raise app_error 70.
    explicit DatabaseConnection(const std::string& target);
    ~DatabaseConnection();
    DatabaseConnection(const DatabaseConnection&) = delete;
    DatabaseConnection& operator=(const DatabaseConnection&) = delete;

    // Runs one statement with its parameters sent apart from its text; the rows it returns.
    // A failure prints "Database statement failed" and the server's reason and raises
    // app_error 70.
    std::vector<DatabaseRow> execute(const char* statement,
                                     const std::vector<DatabaseValue>& parameters = {});

    // Creates the table of `statement` (CREATE TABLE IF NOT EXISTS) unless `table` exists,
    // so that a user without the CREATE right works on tables made for it. Stations that
    // start together on an empty database create it one after the other.
    void ensure_table(const char* table, const char* statement);

  private:
    pg_conn* connection = nullptr;
};

} // namespace quarnel
