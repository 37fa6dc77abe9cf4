// Where the records of runs go: a CSV file, a database table; any store that keeps them whole.
#pragma once

#include "quarnel/line/log_record.h"

#include <memory>
#include <string>

namespace quarnel {

class LogSink {
  public:
    virtual ~LogSink() = default;
    // Before the first chip access: whether records can be stored. Prints its message and
    // raises app_error 70 when not.
    virtual void check() = 0;
    // Stores the record whole, never mixed with those of other runs. Prints its message and
    // raises app_error 70 on failure.
    virtual void append(const LogRecord& record) = 0;
};

// The sink that `target` (the --log text) names: the quarnel_log table of the database a
// postgresql:// or postgres:// URI names, else a CSV file.
std::unique_ptr<LogSink> open_log_sink(const std::string& target);

// The two kinds of log open_log_sink() chooses from.
std::unique_ptr<LogSink> open_csv_log_file(const std::string& path);
std::unique_ptr<LogSink> open_database_log(const std::string& uri);

// The sink of a gang site: the record goes to the gang through the descriptor that
// record_variable() names in the environment; nothing when the variable is not set.
std::unique_ptr<LogSink> open_site_record_sink();

// The environment variable that names a gang site's record descriptor.
const char* record_variable();

} // namespace quarnel
