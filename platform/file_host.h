// The host's file-system steps under replacement_file_t.
#pragma once

#include "platform/replacement_file.h"

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
// with the permissions of the file `model` when that is not empty. nullptr with errno set.
std::FILE* create_temporary(const std::string& name, const std::string& model, file_mode mode);

// Stores what was written to `file` on the disk. False with errno set.
bool sync_stream(std::FILE* file);

// Renames `from` over `to` and stores the change on the disk. False with errno set.
bool rename_over(const std::string& from, const std::string& to);

} // namespace platform
