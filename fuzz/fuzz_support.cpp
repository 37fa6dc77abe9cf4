// Silent console and scratch files for the fuzz targets.
#include "fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

std::string scratch_path;

void remove_scratch() {
    if (!scratch_path.empty()) {
        unlink(scratch_path.c_str());
    }
}

} // namespace

void quiet_console() {
    static const bool done = [] {
        (void)std::freopen("/dev/null", "w", stdout);
        (void)std::freopen("/dev/null", "r", stdin);
        return true;
    }();
    (void)done;
}

const char* scratch_file(const std::uint8_t* data, std::size_t size) {
    if (scratch_path.empty()) {
        std::string name = "/tmp/quarnel-fuzz-XXXXXX";
        const int fd = mkstemp(name.data());
        if (fd < 0) {
            std::abort();
        }
        close(fd);
        scratch_path = name;
        std::atexit(remove_scratch);
    }
    std::FILE* file = std::fopen(scratch_path.c_str(), "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
        std::abort();
    }
    return scratch_path.c_str();
}

std::vector<std::string> split_lines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find('\n', start);
        lines.emplace_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    return lines;
}
