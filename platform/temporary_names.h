// Names of this program's temporary files, and the removal of those left by killed runs.
#pragma once

#include <string>

namespace platform {

// A new name ".<tag>-<pid>-<8 hex digits>.tmp" in `directory`.
std::string temporary_name(const std::string& directory, const std::string& tag);

// Removes the files of `directory` named as temporary_name() names them for
// `tag` whose process is gone and which nobody holds locked: what runs killed
// while writing left behind.
void remove_stale_temporaries(const std::string& directory, const std::string& tag);

} // namespace platform
