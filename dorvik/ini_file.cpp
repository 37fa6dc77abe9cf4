// Locating and reading the initialisation file.
#include "dorvik/ini_file.h"

#include "dorvik/hex_digits.h"
#include "dorvik/run_state.h"
#include "platform/input_file.h"
#include "platform/program_path.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace dorvik {
namespace {
constexpr const char* INI_NAME = "dorvik.ini";
constexpr std::size_t PORT_DIGITS = 3;
} // namespace

std::string ini_file_path() {
    const auto exe = platform::executable_path();
    if (!exe) {
        return INI_NAME; // the working directory is the best guess left
    }
    return (std::filesystem::path(*exe).parent_path() / INI_NAME).string();
}

std::uint32_t ini_port_value(const std::string& text) {
    std::size_t pos = 0;
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) {
        ++pos;
    }
    std::uint32_t value = 0;
    for (std::size_t n = 0; n < PORT_DIGITS && pos < text.size(); ++n, ++pos) {
        const int digit = hex_digit(text[pos]);
        if (digit < 0) {
            break;
        }
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}

std::string installed_config_dir(const std::string& install_bindir, const std::string& config_dir) {
    const auto exe = platform::executable_path();
    std::error_code error;
    if (install_bindir.empty() || !exe ||
        !std::filesystem::equivalent(std::filesystem::path(*exe).parent_path(), install_bindir,
                                     error)) {
        return {};
    }
    return config_dir;
}

namespace {
// The file beside the program, or the installed one when there is none beside it.
std::string ini_file_to_read(const std::string& beside, const std::string& config_dir) {
    std::error_code error;
    // A file beside the program that cannot even be looked at is not missing: it is reported.
    if (config_dir.empty() || std::filesystem::exists(beside, error) || error) {
        return beside;
    }
    return (std::filesystem::path(config_dir) / INI_NAME).string();
}
} // namespace

int read_ini_port(const std::string& config_dir) {
    const std::string beside = ini_file_path();
    const std::string path = ini_file_to_read(beside, config_dir);
    // The file is only read, never written, so read access is all it needs.
    std::FILE* file = platform::open_input(path, true);
    if (file == nullptr) {
        std::printf("Error find file dorvik.ini\n");
        std::printf("  Looked for %s%s%s; -lpt=ADDR gives the port address without the file.\n",
                    beside.c_str(), path == beside ? "" : " and ",
                    path == beside ? "" : path.c_str());
        return -1;
    }
    char head[PORT_DIGITS];
    const std::size_t got = std::fread(head, 1, sizeof head, file);
    const bool failed = got == 0;
    std::fclose(file);
    if (failed) {
        std::printf("Error read file dorvik.ini\n");
        return -1;
    }
    state.lpt_base = ini_port_value(std::string(head, got));
    return 0;
}

} // namespace dorvik
