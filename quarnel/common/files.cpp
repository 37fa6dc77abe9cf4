// File opening and the adapter configuration file search.
#include "quarnel/common/files.h"

#include "platform/input_file.h"
#include "platform/program_path.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace quarnel {

std::FILE* open_file(const char* name, const char* mode) {
    std::FILE* f = platform::open_input(name, std::strchr(mode, 'b') != nullptr);
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
std::optional<std::string> fitting(std::size_t size, const std::string& path) {
    if (path.size() > size - 1) {
        return std::nullopt;
    }
    return path;
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

bool searched_by_name(const char* name) {
    return std::strpbrk(name, "\\/:") == nullptr || name[0] == '.';
}

const char* config_path_variable() {
    const char* env = std::getenv("QUARNEL_CONFIG_PATH");
    return env != nullptr && env[0] != '\0' ? env : nullptr;
}

// The directories a bare name is looked for in, in order, each with where it came from.
std::vector<std::pair<std::string, const char*>> search_directories() {
    std::vector<std::pair<std::string, const char*>> dirs;
    if (const char* env = config_path_variable()) {
        for (std::string& dir : split_directories(env)) {
            dirs.emplace_back(std::move(dir), "QUARNEL_CONFIG_PATH");
        }
    }
    if (const auto& progdir = program_directory()) {
        for (std::string& dir : split_directories(*progdir)) {
            dirs.emplace_back(std::move(dir), "program directory");
        }
    }
    return dirs;
}

} // namespace

std::optional<std::string> find_config_file(const char* name, std::size_t size) {
    if (name == nullptr || size < 1) {
        return std::nullopt;
    }
    if (platform::is_regular_file(name)) {
        return fitting(size, name);
    }
    if (!searched_by_name(name)) {
        return std::nullopt;
    }
    const char* env = config_path_variable();
    console_log(3, "\t%% config path %s\n", env != nullptr ? env : "not defined");
    const auto& progdir = program_directory();
    console_log(3, "\t%% program path %s\n", progdir ? progdir->c_str() : "not defined");
    const std::size_t name_len = std::strlen(name);
    for (const auto& searched : search_directories()) {
        std::string dir = searched.first;
        // A directory longer than the room left for the name is cut to fit.
        if (size > name_len + 2 && dir.size() > size - name_len - 2) {
            dir.resize(size - name_len - 2);
        }
        std::string candidate = dir;
        if (candidate.back() != '/' && candidate.back() != '\\') {
            candidate += '/';
        }
        candidate += name;
        if (platform::is_regular_file(candidate.c_str())) {
            if (auto path = fitting(size, candidate)) {
                return path;
            }
        }
    }
    return std::nullopt;
}

void print_config_search(int level, const char* name) {
    if (!searched_by_name(name)) {
        console_log(level, "Looked for at that path only (a name with a directory is not searched "
                           "for)\n");
        return;
    }
    console_log(level, "Looked for in:\n  . (current directory)\n");
    for (const auto& [dir, origin] : search_directories()) {
        console_log(level, "  %s (%s)\n", dir.c_str(), origin);
    }
}

} // namespace quarnel
