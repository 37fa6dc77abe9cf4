// The production log as rows of quarnel_log in a database shared by the stations of a line.
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/database/database_connection.h"
#include "quarnel/database/database_tables.h"
#include "quarnel/line/log_sink.h"

namespace quarnel {

namespace {

constexpr const char* INSERT_RECORD =
    "INSERT INTO quarnel_log (time, station, site, adapter, port, device, signature, serial, "
    "image_crc32, fuses, result, status, seconds) "
    "VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13)";

// One connection per record, so that a server started again serves the next run.
class DatabaseLog final : public LogSink {
  public:
    explicit DatabaseLog(std::string database) : target(std::move(database)) {}

    void check() override {
        DatabaseConnection database(target);
        database.ensure_table("quarnel_log", CREATE_LOG);
    }

    void append(const LogRecord& record) override {
        std::vector<DatabaseValue> values;
        for (std::string& field : log_fields(record)) {
            // A column the run has no fact for is NULL, not an empty text.
            values.push_back(field.empty() ? DatabaseValue() : DatabaseValue(std::move(field)));
        }
        try {
            DatabaseConnection database(target);
            database.execute(INSERT_RECORD, values);
        } catch (const app_error&) {
            console_log(0, "Can't write the run's row to quarnel_log\n");
            throw;
        }
    }

  private:
    std::string target;
};

} // namespace

std::unique_ptr<LogSink> open_database_log(const std::string& uri) {
    return std::make_unique<DatabaseLog>(uri);
}

} // namespace quarnel
