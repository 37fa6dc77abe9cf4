// Temporary names that carry the writer's process id, checked against live processes.
#include "platform/temporary_names.h"

#include "platform/file_host.h"
#include "platform/process.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <system_error>

namespace platform {
namespace {

// The process id in `name` when it is a temporary name of `tag`, else 0; `mark` gets the
// name's hex digits.
long owner_of(const std::string& name, const std::string& tag, std::uint32_t& mark) {
    const std::string prefix = "." + tag + "-";
    if (name.compare(0, prefix.size(), prefix) != 0) {
        return 0;
    }
    std::size_t at = prefix.size();
    const std::size_t digits = name.find_first_not_of("0123456789", at);
    if (digits == std::string::npos || digits == at || digits - at > 9 || name[digits] != '-') {
        return 0;
    }
    const long pid = std::atol(name.substr(at, digits - at).c_str());
    at = digits + 1;
    const std::size_t hex = name.find_first_not_of("0123456789abcdef", at);
    if (hex != at + 8 || name.compare(hex, std::string::npos, ".tmp") != 0) {
        return 0;
    }
    mark = static_cast<std::uint32_t>(std::strtoul(name.substr(at, 8).c_str(), nullptr, 16));
    return pid;
}

} // namespace

temporary_name_t temporary_name(const std::string& directory, const std::string& tag) {
    static std::mt19937 generator{std::random_device{}()};
    const auto mark = static_cast<std::uint32_t>(generator());
    char text[48];
    std::snprintf(text, sizeof text, "-%ld-%08x.tmp", current_process_id(),
                  static_cast<unsigned>(mark));
    return {(directory.empty() ? std::string() : directory + "/") + "." + tag + text, mark};
}

void remove_stale_temporaries(const std::string& directory, const std::string& tag) {
    const std::string folder = directory.empty() ? "." : directory;
    const int saved_errno = errno;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        std::uint32_t mark = 0;
        const long pid = owner_of(name, tag, mark);
        std::string path = folder;
        path += '/';
        path += name;
        if (pid > 0 && process_gone(pid) && is_stale_temporary(path, mark)) {
            std::remove(path.c_str());
        }
    }
    errno = saved_errno;
}

} // namespace platform
