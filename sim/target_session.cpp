// Loading the target file for a stand-in library, keeping the chip's writes in it.
#include "sim/target_session.h"

#include <cstdio>
#include <cstdlib>

#include "sim/whole_file.h"

namespace avrsim {

TargetSession::TargetSession() {
    const char* path = std::getenv("AVRSIM_TARGET");
    if (path == nullptr || *path == '\0') {
        std::fprintf(stderr, "avrsim: AVRSIM_TARGET names no target file; nothing attached\n");
        return;
    }
    try {
        target_ = load_target(path);
        path_ = path;
        file_ = std::make_unique<LiveTargetFile>(target_, path_);
        chip_ = std::make_unique<ChipModel>(target_.chip, target_.settings, clock_);
        chip_->keep_writes_in(file_.get());
    } catch (const std::exception& error) { // a damaged file, or one too large to hold
        std::fprintf(stderr, "avrsim: %s; nothing attached\n", error.what());
    }
}

TargetSession::~TargetSession() {
    if (!loaded()) {
        return;
    }
    try {
        file_->save();
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
