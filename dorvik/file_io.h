// Reading a whole file, and replacing a user's file only once its new content is whole.
#pragma once

#include <string>
#include <variant>

namespace dorvik {

enum class ReadFailure {
    open_failed, // missing, or no permission
    read_failed, // opened, but reading failed (a folder, an I/O error)
    no_memory,   // the content does not fit in memory, or is beyond any sensible size
};

// The whole content of a file, bytes as they are.
std::variant<std::string, ReadFailure> read_whole_file(const std::string& path);

// What to print for each ReadFailure: the first two are followed by the path
// and a line end, the last is printed as it stands.
struct ReadFailureTexts {
    const char* open_failed;
    const char* read_failed;
    const char* no_memory;
};
void print_read_failure(ReadFailure failure, const ReadFailureTexts& texts,
                        const std::string& path);

enum class ReplaceResult {
    replaced,
    create_failed, // the file may not be written, or the temporary file could not be created
    write_failed,  // writing, storing or renaming it failed; the old file is untouched
};

// Writes `content` to a temporary file beside `path`, stores it, and renames
// it over `path`. An existing file keeps its permissions, a symbolic link
// keeps pointing to it, and one the user may not write is refused
// (create_failed). A device or a pipe is written directly.
ReplaceResult replace_file(const std::string& path, const std::string& content);

} // namespace dorvik
