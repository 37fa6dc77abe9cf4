// Format prefixes and slot assignment of file names.
#include "quarnel/run/file_names.h"

#include "quarnel/common/command_errors.h"
#include "quarnel/devices/device_lookup.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>

namespace quarnel {

namespace {

struct FilePrefix {
    const char* text;
    file_format format;
};

constexpr FilePrefix prefixes[] = {
    {":ihex:", FILE_IHEX}, {":bin:", FILE_BIN}, {":elf:", FILE_ELF}, {":srec:", FILE_SREC}};

} // namespace

void set_file(RunOptions& options, memory_slot slot, const char* text) {
    if (text == nullptr || text[0] == '\0') {
        command_error("Invalid command line\n");
    }
    file_format format = FILE_IHEX;
    bool prefixed = false;
    const char* name = text;
    if (text[0] == ':') {
        const char* second = std::strchr(text + 1, ':');
        if (second == nullptr) {
            command_error("File name required: '%s'\n", text);
        }
        const std::string_view prefix(text, static_cast<std::size_t>(second - text) + 1);
        const auto known =
            std::find_if(std::begin(prefixes), std::end(prefixes),
                         [&](const FilePrefix& p) { return equals_ignoring_case(prefix, p.text); });
        if (known == std::end(prefixes)) {
            command_error("Invalid file type %s\n", text);
        }
        format = known->format;
        prefixed = true;
        name = second + 1;
        if (name[0] == '\0') {
            command_error("File name required: '%s'\n", text);
        }
    }
    FileSpec& file = options.files[slot];
    if (file.name) {
        command_error("Can't use two files for %s\n'%s'\n'%s'\n", memory_names[slot],
                      file.name->c_str(), text);
    }
    file.format = format;
    file.name = name;
    file.prefixed = prefixed;
}

} // namespace quarnel
