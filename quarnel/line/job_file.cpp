// Reading a job file into the command line and running it in the job's folder.
#include "quarnel/line/job_file.h"

#include "platform/host_info.h"
#include "quarnel/common/command_errors.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/database/database_connection.h"
#include "quarnel/line/shell_words.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace quarnel {

namespace {

constexpr std::string_view job_switch = "--job";

bool is_absolute(const std::string& name) {
    return (!name.empty() && (name[0] == '/' || name[0] == '\\')) ||
           (name.size() >= 2 && name[1] == ':');
}

std::string in_folder(const std::string& folder, const std::string& name) {
    if (name.empty() || is_absolute(name)) {
        return name;
    }
    return folder + (folder.empty() || folder.back() == '/' ? "" : "/") + name;
}

// A file argument with its optional ":ihex:" or ":bin:" prefix kept in front.
std::string file_in_folder(const std::string& folder, const std::string& text) {
    const std::size_t prefix_end = text.size() > 1 && text[0] == ':' ? text.find(':', 1) : 0;
    if (prefix_end == std::string::npos) {
        return in_folder(folder, text);
    }
    const std::size_t start = prefix_end == 0 ? 0 : prefix_end + 1;
    return text.substr(0, start) + in_folder(folder, text.substr(start));
}

bool is_file_switch(const std::string& arg) {
    return arg.size() >= 2 && arg[0] == '-' && std::strchr("cCdD", arg[1]) != nullptr &&
           (arg.size() == 2 || (arg[2] != '*' && arg[2] != '?'));
}

// The arguments typed beside --job, with their file names made absolute in `folder`.
void anchor_files(std::vector<std::string>& args, const std::string& folder) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string& arg = args[i];
        if (arg.empty() || arg[0] == '+') {
            continue;
        }
        if (arg.rfind("--log=", 0) == 0 || arg.rfind("--gang=", 0) == 0) {
            const std::size_t equals = arg.find('=') + 1;
            if (is_database_uri(arg.substr(equals))) {
                continue; // a database, not a file in a folder
            }
            arg = arg.substr(0, equals) + in_folder(folder, arg.substr(equals));
        } else if (is_file_switch(arg)) {
            if (arg.size() > 2) {
                arg = arg.substr(0, 2) + file_in_folder(folder, arg.substr(2));
            } else if (i + 1 < args.size()) {
                args[i + 1] = file_in_folder(folder, args[i + 1]);
                ++i;
            }
        } else if (arg[0] != '-') {
            arg = file_in_folder(folder, arg);
        }
    }
}

std::vector<std::string> read_job(const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        console_log(0, "Can't open job file %s: %s\n", path.c_str(), std::strerror(errno));
        throw app_error(EXIT_ENVIRONMENT);
    }
    std::vector<std::string> words;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const auto line_words = shell_words(line);
        if (!line_words) {
            command_error("Job file %s line %d: quote or backslash not closed\n", path.c_str(),
                          number);
        }
        for (const std::string& word : *line_words) {
            if (word == job_switch || word.rfind("--job=", 0) == 0) {
                command_error("Job file %s names --job again\n", path.c_str());
            }
            words.push_back(word);
        }
    }
    return words;
}

} // namespace

void expand_job(std::vector<std::string>& args) {
    std::size_t at = 0;
    while (at < args.size() && args[at] != job_switch && args[at].rfind("--job=", 0) != 0) {
        ++at;
    }
    if (at == args.size()) {
        return;
    }
    const std::string path = args[at].size() > job_switch.size() + 1
                                 ? args[at].substr(job_switch.size() + 1)
                                 : std::string();
    if (path.empty()) {
        command_error("Value required for switch '--job'\n");
    }
    const std::vector<std::string> words = read_job(path);
    const std::size_t slash = path.find_last_of("/\\");
    const std::string job_folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    std::vector<std::string> before(args.begin(), args.begin() + static_cast<long>(at));
    std::vector<std::string> after(args.begin() + static_cast<long>(at) + 1, args.end());
    const std::string typed_in = platform::current_directory();
    anchor_files(before, typed_in);
    anchor_files(after, typed_in);
    if (!platform::change_directory(job_folder)) {
        console_log(0, "Can't enter folder %s: %s\n", job_folder.c_str(), std::strerror(errno));
        throw app_error(EXIT_ENVIRONMENT);
    }
    args = before;
    args.insert(args.end(), words.begin(), words.end());
    args.insert(args.end(), after.begin(), after.end());
}

} // namespace quarnel
