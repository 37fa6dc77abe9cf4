// Serial numbers in a PostgreSQL table shared by every station of a line.
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/database/database_connection.h"
#include "quarnel/database/database_tables.h"
#include "quarnel/production/production_serial.h"

#include <cstdlib>

namespace quarnel {

namespace {

// One statement reserves: no other station reads the number between the read and the step.
constexpr const char* RESERVE =
    "UPDATE quarnel_counters SET next = next + 1 WHERE name = $1 RETURNING next - 1";
constexpr const char* READ = "SELECT next FROM quarnel_counters WHERE name = $1";
// Back only while the counter still holds the number after it.
constexpr const char* PUT_BACK =
    "UPDATE quarnel_counters SET next = next - 1 WHERE name = $1 AND next = $2 RETURNING next";

// A name as an SQL string literal, for the statement the user is shown.
std::string sql_literal(const std::string& text) {
    std::string literal = "'";
    for (const char c : text) {
        literal += c;
        if (c == '\'') {
            literal += '\'';
        }
    }
    return literal + "'";
}

std::string counter_label(const std::string& name) {
    return "counter '" + name + "'";
}

class SerialCounterDatabase final : public SerialNumberStore {
  public:
    explicit SerialCounterDatabase(std::string database) : target(std::move(database)) {}

    std::uint32_t take(const std::string& name, bool reserve, unsigned bytes) override {
        DatabaseConnection database(target);
        database.ensure_table("quarnel_counters", CREATE_COUNTERS);
        std::vector<DatabaseRow> rows;
        try {
            rows = database.execute(reserve ? RESERVE : READ, {name});
        } catch (const app_error&) {
            if (reserve) {
                // The server may have taken the step before the answer was lost.
                console_log(0, "A number %s may have handed out stays used\n",
                            counter_label(name).c_str());
            }
            throw;
        }
        if (rows.empty() || !rows[0][0]) {
            console_log(0,
                        "Serial number %s not found in the database; create it with\n"
                        "INSERT INTO quarnel_counters (name, next) VALUES (%s, 1);\n",
                        counter_label(name).c_str(), sql_literal(name).c_str());
            throw app_error(EXIT_ENVIRONMENT);
        }
        const long long number = std::strtoll(rows[0][0]->c_str(), nullptr, 10);
        if (number < 0 ||
            !serial_number_fits(static_cast<std::uint64_t>(number), counter_label(name), bytes)) {
            if (number < 0) {
                console_log(0, "Serial number %s of %s is negative\n", rows[0][0]->c_str(),
                            counter_label(name).c_str());
            }
            if (reserve) {
                // Nobody may take a number that no chip can hold: the step is undone at once.
                database.execute(PUT_BACK, {name, std::to_string(number + 1)});
            }
            throw app_error(EXIT_ENVIRONMENT);
        }
        return static_cast<std::uint32_t>(number);
    }

    void put_back(const std::string& name, std::uint32_t value) override {
        const unsigned long number = value;
        try {
            DatabaseConnection database(target);
            if (database.execute(PUT_BACK, {name, std::to_string(std::uint64_t{value} + 1)})
                    .empty()) {
                console_log(1, "Serial number %lu not used, %s has gone on since\n", number,
                            counter_label(name).c_str());
            }
        } catch (const app_error&) {
            console_log(1, "Serial number %lu not used, can't give it back to %s\n", number,
                        counter_label(name).c_str());
        }
    }

  private:
    std::string target;
};

} // namespace

std::unique_ptr<SerialNumberStore> serial_counter_database(const std::string& target) {
    return std::make_unique<SerialCounterDatabase>(target);
}

} // namespace quarnel
