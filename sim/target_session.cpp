// Loading the target file for a stand-in library and saving it back at process end.
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
        chip_ = std::make_unique<ChipModel>(target_.chip, target_.settings, clock_);
    } catch (const std::exception& error) { // a damaged file, or one too large to hold
        std::fprintf(stderr, "avrsim: %s; nothing attached\n", error.what());
    }
}

TargetSession::~TargetSession() {
    if (!loaded()) {
        return;
    }
    try {
        save_target(target_, path_);
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
