// The record of one run in the production log: its columns and its CSV line.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarnel {

struct LogRecord {
    std::string time;        // UTC, ISO 8601 to the second with 'Z'
    std::string station;     // host name
    std::string site;        // gang site name, else empty
    std::string adapter;     // the -a text, "kelma" without one
    std::string port;        // the -p text
    std::string device;      // name of the identified row
    std::string signature;   // six hex digits
    std::string serial;      // SERNO number kept in this chip, decimal
    std::string image_crc32; // eight lower-case hex digits of the flash image as read
    std::string fuses;       // "LOW=62 HIGH=D9 EXT=FF" as read back at the end
    int status = 0;
    double seconds = 0.0;

    bool passed() const { return status == 0; }
};

// The record's columns as text, in the log's order: status and seconds ("%.2f") in decimal,
// result "ok" or "failed".
std::vector<std::string> log_fields(const LogRecord& record);

// The header line of a new log.
const std::string& log_header();

// The record as one CSV line, in the header's column order.
std::string log_line(const LogRecord& record);

// The record of a line that log_line() wrote; nothing for any other text.
std::optional<LogRecord> parse_log_line(std::string_view line);

} // namespace quarnel
