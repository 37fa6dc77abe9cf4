// The handler's hand: chips taken one at a time from a folder, and put away when done.
#include "sim/chip_socket.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace avrsim {

namespace fs = std::filesystem;

ChipSocket::ChipSocket(Target& holder) : holder_(holder), folder_(holder.socket_dir) {
    take_next();
}

void ChipSocket::take_next() {
    std::vector<std::string> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_, error)) {
        const fs::path& path = entry.path();
        if (entry.is_regular_file() && path.extension() == ".avr" &&
            path.filename().string()[0] != '.') {
            names.push_back(path.string());
        }
    }
    std::sort(names.begin(), names.end());
    holder_.settings.absent = true;
    chip_path_.clear();
    if (names.empty()) {
        return;
    }
    chip_file_ = load_target(names.front());
    holder_.chip = chip_file_.chip;
    holder_.settings = chip_file_.settings;
    chip_path_ = names.front();
}

void ChipSocket::before_access(ChipModel& chip, double now_us) {
    const bool moved = last_access_us_ >= 0.0 && !chip.in_reset() &&
                       now_us - last_access_us_ >= holder_.socket_idle_ms * 1000.0;
    last_access_us_ = now_us;
    if (!moved) {
        return;
    }
    if (chip_path_.empty()) {
        take_next();
    } else {
        save();
        const fs::path done = fs::path(folder_) / "done";
        fs::create_directories(done);
        fs::rename(chip_path_, done / fs::path(chip_path_).filename());
        chip_path_.clear();
        holder_.settings.absent = true;
    }
    // The chip that enters (or the empty socket) starts unpowered.
    chip.set_power(false);
    chip.set_power(true);
}

void ChipSocket::save() const {
    if (chip_path_.empty()) {
        return;
    }
    Target chip = chip_file_;
    chip.chip = holder_.chip;
    chip.settings = holder_.settings;
    save_target(chip, chip_path_);
}

} // namespace avrsim
