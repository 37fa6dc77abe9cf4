// What a record of a run names the host and the moment by.
#pragma once

#include <string>

namespace platform {

// The host's name (gethostname, GetComputerNameA); empty when the host gives none.
std::string host_name();

// The current time in UTC, ISO 8601 to the second: "2026-12-09T15:30:00Z".
std::string utc_timestamp();

// The current working directory; empty when it cannot be found.
std::string current_directory();

// Makes `path` the working directory. False with errno set.
bool change_directory(const std::string& path);

} // namespace platform
