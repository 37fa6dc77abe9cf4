// Whole-file reads, and replacement through a temporary file, sync and rename.
#include "dorvik/file_io.h"

#include "platform/input_file.h"
#include "platform/replacement_file.h"

#include <cstdio>
#include <filesystem>
#include <new>

namespace dorvik {
namespace {
// Far beyond any HEX or serial file of these chips; a device that never ends
// (/dev/zero, say) stops here instead of taking all the memory there is.
constexpr std::size_t MAX_FILE_BYTES = 64u << 20;

constexpr const char* TEMPORARY_TAG = "dorvik";

} // namespace

std::variant<std::string, ReadFailure> read_whole_file(const std::string& path) {
    std::FILE* file = platform::open_input(path, true);
    if (file == nullptr) {
        return ReadFailure::open_failed;
    }
    std::string content;
    bool failed = false;
    bool no_memory = false;
    try {
        char block[4096];
        std::size_t got = 0;
        while (!no_memory && (got = std::fread(block, 1, sizeof block, file)) > 0) {
            content.append(block, got);
            no_memory = content.size() > MAX_FILE_BYTES;
        }
        failed = std::ferror(file) != 0;
    } catch (const std::bad_alloc&) {
        no_memory = true;
    }
    std::fclose(file);
    if (no_memory) {
        return ReadFailure::no_memory;
    }
    if (failed) {
        return ReadFailure::read_failed;
    }
    return content;
}

void print_read_failure(ReadFailure failure, const ReadFailureTexts& texts,
                        const std::string& path) {
    switch (failure) {
    case ReadFailure::open_failed:
        std::printf("%s%s\n", texts.open_failed, path.c_str());
        break;
    case ReadFailure::read_failed:
        std::printf("%s%s\n", texts.read_failed, path.c_str());
        break;
    case ReadFailure::no_memory:
        std::printf("%s", texts.no_memory);
        break;
    }
}

ReplaceResult replace_file(const std::string& path, const std::string& content) {
    // A file the user may not write is not replaced behind his back.
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) {
        std::FILE* writable = std::fopen(path.c_str(), "r+b");
        if (writable == nullptr) {
            return ReplaceResult::create_failed;
        }
        std::fclose(writable);
    }
    switch (platform::replace_file(path, content, TEMPORARY_TAG)) {
    case platform::replace_result::replaced:
        return ReplaceResult::replaced;
    case platform::replace_result::create_failed:
        return ReplaceResult::create_failed;
    case platform::replace_result::write_failed:
        break;
    }
    return ReplaceResult::write_failed;
}

} // namespace dorvik
