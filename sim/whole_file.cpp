// A temporary file beside the target, renamed over it when complete.
#include "sim/whole_file.h"

#include <filesystem>
#include <fstream>
#include <random>

#include "sim/target_file.h"

void write_whole_file(const std::string& path, const std::string& content) {
    std::random_device random;
    const std::string temporary = path + ".tmp" + std::to_string(random() % 1000000);
    bool written = false;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << content;
        out.flush();
        written = static_cast<bool>(out);
    }
    std::error_code error;
    if (written) {
        std::filesystem::rename(temporary, path, error);
    }
    if (!written || error) {
        std::filesystem::remove(temporary, error);
        throw target_error("can't write '" + path + "'");
    }
}
