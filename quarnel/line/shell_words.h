// Lines of words quoted as a shell quotes them, for job and gang files.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarnel {

// The words of `line`: blanks separate them; '...' keeps everything as written, "..." keeps
// everything but a backslash before ", \, $ or `; a backslash outside quotes keeps the next
// character; '#' at the start of a word begins a comment. Nothing when a quote is not closed
// or the line ends in a lone backslash.
std::optional<std::vector<std::string>> shell_words(std::string_view line);

} // namespace quarnel
