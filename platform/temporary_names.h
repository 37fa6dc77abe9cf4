// Names of this program's temporary files, and the removal of those left by killed runs.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct temporary_name_t {
    std::string path;
    std::uint32_t mark = 0; // the name's 8 hex digits, which the writer also sets on the file
};

// A new name ".<tag>-<pid>-<8 hex digits>.tmp" in `directory`.
temporary_name_t temporary_name(const std::string& directory, const std::string& tag);

// Removes what runs of `tag` killed while writing left in `directory`: only a regular file
// named as temporary_name() names them, whose process is gone, and which carries the mark
// its writer set (mark_temporary of file_host.h), belongs to this user and is held by
// nobody. Folders, links, FIFOs and a user's file of such a name stay, and none is opened
// in a way that could block.
void remove_stale_temporaries(const std::string& directory, const std::string& tag);

} // namespace platform
