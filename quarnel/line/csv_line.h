// CSV lines with RFC 4180 quoting.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarnel {

// The fields joined by commas and ended by a line feed; a field holding a comma, a double
// quote, a carriage return or a line feed is put in double quotes, its quotes doubled.
std::string csv_line(const std::vector<std::string>& fields);

// The fields of one line as csv_line() writes it (the line end may be left out); a quoted
// field may hold line ends. Nothing when the quotes do not close.
std::optional<std::vector<std::string>> parse_csv_line(std::string_view line);

} // namespace quarnel
