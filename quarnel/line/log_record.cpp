// The log's columns in their order, to and from CSV.
#include "quarnel/line/log_record.h"

#include "quarnel/line/csv_line.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace quarnel {

namespace {

constexpr std::size_t column_count = 13;

} // namespace

const std::string& log_header() {
    static const std::string header =
        csv_line({"time", "station", "site", "adapter", "port", "device", "signature", "serial",
                  "image_crc32", "fuses", "result", "status", "seconds"});
    return header;
}

std::vector<std::string> log_fields(const LogRecord& record) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", record.seconds);
    return {record.time,
            record.station,
            record.site,
            record.adapter,
            record.port,
            record.device,
            record.signature,
            record.serial,
            record.image_crc32,
            record.fuses,
            record.passed() ? "ok" : "failed",
            std::to_string(record.status),
            seconds};
}

std::string log_line(const LogRecord& record) {
    return csv_line(log_fields(record));
}

std::optional<LogRecord> parse_log_line(std::string_view line) {
    const auto fields = parse_csv_line(line);
    if (!fields || fields->size() != column_count) {
        return std::nullopt;
    }
    const std::vector<std::string>& f = *fields;
    LogRecord record{f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9]};
    record.status = std::atoi(f[11].c_str());
    record.seconds = std::strtod(f[12].c_str(), nullptr);
    return record;
}

} // namespace quarnel
