// Replacing a user's file only once its new content is whole.
#pragma once

#include <string>

namespace dorvik {

enum class ReplaceResult {
    replaced,
    create_failed, // the temporary file beside the target could not be created
    write_failed,  // writing, storing or renaming it failed; the old file is untouched
};

// Writes `content` to a temporary file beside `path`, stores it, and renames
// it over `path`. An existing file keeps its permissions.
ReplaceResult replace_file(const std::string& path, const std::string& content);

} // namespace dorvik
