// Records appended to a file that several processes share (the production log).
#pragma once

#include <string>

namespace platform {

// Opens `path` for appending, creating it when missing, and closes it again: whether records
// can be added. False with errno set.
bool can_append(const std::string& path);

// Appends `record` to `path` (created when missing) while holding the file's exclusive lock
// (flock on POSIX hosts, LockFileEx on Windows), in one write, stored on the disk before this
// returns; `header` goes first, in the same write, when the file is empty. Records of
// processes appending at the same time never mix. False with errno set.
bool append_locked(const std::string& path, const std::string& header, const std::string& record);

} // namespace platform
