// The production log as a CSV file shared by every run on the host, and the gang's pipe.
#include "quarnel/line/log_sink.h"

#include "platform/appended_file.h"
#include "platform/child_process.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/database/database_connection.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace quarnel {

namespace {

// Appended under the file's lock in one write; the header goes first into an empty file.
class CsvLogFile final : public LogSink {
  public:
    explicit CsvLogFile(std::string file_path) : path(std::move(file_path)) {}

    void check() override {
        if (!platform::can_append(path)) {
            fail();
        }
    }

    void append(const LogRecord& record) override {
        if (!platform::append_locked(path, log_header(), log_line(record))) {
            fail();
        }
    }

  private:
    [[noreturn]] void fail() const {
        console_log(0, "Can't write log file %s: %s\n", path.c_str(), std::strerror(errno));
        throw app_error(EXIT_ENVIRONMENT);
    }

    std::string path;
};

// One line to the gang that started this run, which shows it in its table.
class SiteRecordPipe final : public LogSink {
  public:
    explicit SiteRecordPipe(int fd) : descriptor(fd) {}

    void check() override {}

    void append(const LogRecord& record) override {
        if (!platform::write_descriptor(descriptor, log_line(record))) {
            console_log(0, "Can't report to the gang: %s\n", std::strerror(errno));
            throw app_error(EXIT_ENVIRONMENT);
        }
    }

  private:
    int descriptor;
};

} // namespace

const char* record_variable() {
    return "QUARNEL_GANG_RECORD_FD";
}

std::unique_ptr<LogSink> open_log_sink(const std::string& target) {
    return is_database_uri(target) ? open_database_log(target) : open_csv_log_file(target);
}

std::unique_ptr<LogSink> open_csv_log_file(const std::string& path) {
    return std::make_unique<CsvLogFile>(path);
}

std::unique_ptr<LogSink> open_site_record_sink() {
    const char* value = std::getenv(record_variable());
    if (value == nullptr || *value == '\0') {
        return nullptr;
    }
    return std::make_unique<SiteRecordPipe>(std::atoi(value));
}

} // namespace quarnel
