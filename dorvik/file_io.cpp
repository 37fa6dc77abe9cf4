// Whole-file reads, and replacement through a temporary file, sync and rename.
#include "dorvik/file_io.h"

#include "platform/file_sync.h"

#include <cstdio>
#include <filesystem>
#include <new>

namespace dorvik {
namespace {
// Far beyond any HEX or serial file of these chips; a device that never ends
// (/dev/zero, say) stops here instead of taking all the memory there is.
constexpr std::size_t MAX_FILE_BYTES = 64u << 20;

ReplaceResult write_directly(const std::string& path, const std::string& content) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return ReplaceResult::create_failed;
    }
    const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    return std::fclose(file) == 0 && written ? ReplaceResult::replaced
                                             : ReplaceResult::write_failed;
}

} // namespace

std::variant<std::string, ReadFailure> read_whole_file(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
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
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::none) {
        return ReplaceResult::create_failed; // a name too long, a folder we may not enter...
    }
    const bool exists = fs::exists(status);
    if (exists && !fs::is_regular_file(status)) {
        // A device or a pipe cannot be replaced, only written (a folder fails here).
        return write_directly(path, content);
    }
    // A symbolic link stays a link: the file it points to gets the new content.
    fs::path target = path;
    if (exists) {
        target = fs::canonical(path, ec);
        if (ec) {
            return ReplaceResult::create_failed;
        }
        // A file the user may not write is not replaced behind his back.
        std::FILE* writable = std::fopen(target.c_str(), "r+b");
        if (writable == nullptr) {
            return ReplaceResult::create_failed;
        }
        std::fclose(writable);
    }
    // A short name of its own, so that a long file name still leaves room for it.
    const fs::path temporary = target.parent_path() / ".dorvik-new.tmp";
    fs::remove(temporary, ec);
    std::FILE* file = std::fopen(temporary.c_str(), "wbx");
    if (file == nullptr) {
        return ReplaceResult::create_failed;
    }
    const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    const bool stored = written && platform::sync_file(file);
    const bool closed = std::fclose(file) == 0;
    if (written && stored && closed) {
        if (exists) {
            fs::permissions(temporary, status.permissions(), ec);
        }
        fs::rename(temporary, target, ec);
        if (!ec) {
            return ReplaceResult::replaced;
        }
    }
    fs::remove(temporary, ec);
    return ReplaceResult::write_failed;
}

} // namespace dorvik
