// Temporary file, sync and rename.
#include "dorvik/file_replace.h"

#include "platform/file_sync.h"

#include <cstdio>
#include <filesystem>

namespace dorvik {

ReplaceResult replace_file(const std::string& path, const std::string& content) {
    namespace fs = std::filesystem;
    const std::string temporary = path + ".dorvik-new";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        return ReplaceResult::create_failed;
    }
    const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    const bool stored = written && platform::sync_file(file);
    const bool closed = std::fclose(file) == 0;
    std::error_code ec;
    if (written && stored && closed) {
        const fs::file_status old = fs::status(path, ec);
        if (!ec && fs::exists(old)) {
            fs::permissions(temporary, old.permissions(), ec);
        }
        fs::rename(temporary, path, ec);
        if (!ec) {
            return ReplaceResult::replaced;
        }
    }
    fs::remove(temporary, ec);
    return ReplaceResult::write_failed;
}

} // namespace dorvik
