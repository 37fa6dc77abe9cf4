// File opening and the adapter configuration file search.
#include "quarnel/common/files.h"

#include "platform/program_path.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

#include <cstdlib>
#include <cstring>
#include <vector>

std::FILE* open_file(const char* name, const char* mode) {
    std::FILE* f = std::fopen(name, mode);
    if (f == nullptr) {
        console_log(0, "Can't open file '%s'\n", name);
        throw rtl_error(EXIT_ENVIRONMENT);
    }
    return f;
}

const std::optional<std::string>& program_directory() {
    static const std::optional<std::string> directory = []() -> std::optional<std::string> {
        auto path = platform::executable_path();
        if (!path || path->size() > 258) {
            return std::nullopt;
        }
        const auto cut = path->find_last_of("\\/");
        if (cut == std::string::npos) {
            return std::nullopt;
        }
        return path->substr(0, cut);
    }();
    return directory;
}

namespace {

// A path cut short would name another file: one that does not fit is no match.
bool copy_whole(char* dest, std::size_t size, const std::string& text) {
    if (text.size() > size - 1) {
        return false;
    }
    std::memcpy(dest, text.data(), text.size());
    dest[text.size()] = '\0';
    return true;
}

// Directories of one search-list entry; both ':' and ';' separate them here.
std::vector<std::string> split_directories(const std::string& entry) {
    std::vector<std::string> dirs;
    std::size_t start = 0;
    while (start <= entry.size()) {
        const auto end = entry.find_first_of(":;", start);
        const std::string dir =
            entry.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!dir.empty()) {
            dirs.push_back(dir);
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return dirs;
}

} // namespace

bool find_config_file(char* dest, std::size_t size, const char* name) {
    if (name == nullptr || dest == nullptr || size < 1) {
        return false;
    }
    if (platform::is_regular_file(name)) {
        return copy_whole(dest, size, name);
    }
    const bool bare = std::strpbrk(name, "\\/:") == nullptr;
    if (!bare && name[0] != '.') {
        return false;
    }
    std::vector<std::string> entries;
    const char* env = std::getenv("QUARNEL_CONFIG_PATH");
    const bool env_set = env != nullptr && env[0] != '\0';
    console_log(3, "\t%% config path %s\n", env_set ? env : "not defined");
    if (env_set) {
        entries.emplace_back(env);
    }
    const auto& progdir = program_directory();
    console_log(3, "\t%% program path %s\n", progdir ? progdir->c_str() : "not defined");
    if (progdir) {
        entries.push_back(*progdir);
    }
    const std::size_t name_len = std::strlen(name);
    for (const auto& entry : entries) {
        for (std::string dir : split_directories(entry)) {
            // A directory longer than the room left for the name is cut to fit.
            if (size > name_len + 2 && dir.size() > size - name_len - 2) {
                dir.resize(size - name_len - 2);
            }
            std::string candidate = dir;
            if (candidate.back() != '/' && candidate.back() != '\\') {
                candidate += '/';
            }
            candidate += name;
            if (platform::is_regular_file(candidate.c_str()) && copy_whole(dest, size, candidate)) {
                return true;
            }
        }
    }
    return false;
}
