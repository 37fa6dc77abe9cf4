// Loading the target file for a stand-in library, keeping the chip's writes in it.
#include "sim/target_session.h"

#include <cstdio>
#include <cstdlib>

#include "sim/whole_file.h"

namespace avrsim {

const char* target_path_for(const std::string& place) {
    const std::string own = "AVRSIM_TARGET_" + place;
    const char* path = std::getenv(own.c_str());
    return path != nullptr && *path != '\0' ? path : std::getenv("AVRSIM_TARGET");
}

TargetSession::TargetSession(const char* path, const sim_clock& clock) : clock_(clock) {
    if (path == nullptr || *path == '\0') {
        std::fprintf(stderr, "avrsim: AVRSIM_TARGET names no target file; nothing attached\n");
        return;
    }
    try {
        target_ = load_target(path);
        path_ = path;
        if (!target_.socket_dir.empty()) {
            socket_ = std::make_unique<ChipSocket>(target_);
        } else {
            file_ = std::make_unique<LiveTargetFile>(target_, path_);
        }
        chip_ = std::make_unique<ChipModel>(target_.chip, target_.settings, clock_);
        if (file_) {
            chip_->keep_writes_in(file_.get());
        }
    } catch (const std::exception& error) { // a damaged file, or one too large to hold
        std::fprintf(stderr, "avrsim: %s; nothing attached\n", error.what());
        chip_.reset();
        socket_.reset();
    }
}

TargetSession::~TargetSession() {
    if (!loaded()) {
        return;
    }
    try {
        if (socket_) {
            socket_->save();
        } else {
            file_->save();
        }
        if (!target_.stats_path.empty()) {
            counters_["instructions"] = chip_->instructions().executed();
            counters_["lost_instructions"] = chip_->instructions().lost();
            std::string text;
            for (const auto& [name, value] : counters_) {
                text += name + " " + std::to_string(value) + "\n";
            }
            write_whole_file(target_.stats_path, text);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "avrsim: %s\n", error.what());
    }
}

} // namespace avrsim
