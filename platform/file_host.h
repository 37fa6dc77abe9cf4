// The host's file-system steps under replacement_file_t.
#pragma once

#include "platform/replacement_file.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {

enum class destination_kind { missing, regular, other, unreadable };

// What `path` names now; for a regular file `resolved` gets its real path (symbolic links
// followed), else `path` itself. errno is set for `unreadable`.
destination_kind inspect_destination(const std::string& path, std::string& resolved);

// The folder part of `path`; empty for a bare name.
std::string directory_of(const std::string& path);

// Creates `name` exclusively (EEXIST when it exists), held by this process while it is open,
// with the permissions of the file `model` when that is not empty, and marked with `mark`:
// its last-access time becomes 2000-01-01 plus `mark` times 100 ns, a time no file gets by
// being used (the writer never reads it, and a read moves the time on). Both hosts' usual
// file systems keep it to the 100 ns without any feature one may lack (extended attributes,
// streams); where a file system keeps less (FAT), no file carries the mark and none is
// removed. nullptr with errno set.
std::FILE* create_temporary(const std::string& name, const std::string& model, file_mode mode,
                            std::uint32_t mark);

// True when `path` is a temporary file of this program's kind that may go: a regular file (no
// folder, link, FIFO or device; looked at without opening anything that could block), of this
// user where the host has owners, with the mark of create_temporary(), and held by nobody.
bool is_stale_temporary(const std::string& path, std::uint32_t mark);

// Opens `path` for writing when it is no regular file (a device, a FIFO): never waits for a
// FIFO's reader (none: nullptr with errno ENXIO). nullptr with errno set.
std::FILE* open_direct(const std::string& path, file_mode mode);

// Stores what was written to `file` on the disk. False with errno set.
bool sync_stream(std::FILE* file);

// Renames `from` over `to` and stores the change on the disk. False with errno set.
bool rename_over(const std::string& from, const std::string& to);

} // namespace platform
