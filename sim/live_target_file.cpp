// Keeping a target file up to date with each write, and the signal fault.
#include "sim/live_target_file.h"

#include <csignal>
#include <utility>

#include "platform/signals.h"
#include "sim/whole_file.h"

namespace avrsim {

LiveTargetFile::LiveTargetFile(Target& target, std::string path)
    : target_(target), path_(std::move(path)) {}

LiveTargetFile::~LiveTargetFile() {
    close();
}

void LiveTargetFile::close() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

void LiveTargetFile::complain(const std::string& text) {
    if (!failed_) {
        std::fprintf(stderr, "avrsim: %s: the chip's writes are kept only until the end\n",
                     text.c_str());
    }
    failed_ = true;
    close();
}

void LiveTargetFile::write_full() {
    close();
    try {
        write_whole_file(path_, full_target_text(target_, layout_));
    } catch (const target_error& error) {
        complain(error.what());
        return;
    }
    file_ = std::fopen(path_.c_str(), "r+b");
    if (file_ == nullptr) {
        complain("can't open '" + path_ + "'");
    }
}

void LiveTargetFile::put(std::size_t at, const std::string& text) {
    // fflush hands the bytes to the operating system, which keeps them whatever becomes of
    // this process.
    if (std::fseek(file_, long(at), SEEK_SET) != 0 ||
        std::fwrite(text.data(), 1, text.size(), file_) != text.size() || std::fflush(file_) != 0) {
        complain("can't write '" + path_ + "'");
    }
}

void LiveTargetFile::changed(chip_part part, std::size_t start, std::size_t count) {
    if (failed_) {
        return;
    }
    if (file_ == nullptr) {
        write_full(); // holds this change already
        return;
    }
    if (part == chip_part::fuses) {
        for (std::size_t index = start; index < start + count; ++index) {
            char digits[3];
            std::snprintf(digits, sizeof digits, "%02X", target_.chip.fuses[index]);
            put(layout_.fuse_at[index], digits);
        }
        return;
    }
    const TargetLayout::Lines lines = layout_.lines_of(target_, part, start, count);
    put(lines.at, lines.text);
}

void LiveTargetFile::write_carried_out() {
    ChipSettings& settings = target_.settings;
    if (settings.signal_after_writes == 0 || ++writes_ < settings.signal_after_writes) {
        return;
    }
    settings.signal_after_writes = 0;
    if (!failed_) {
        write_full(); // the cleared fault with the chip as it is now
    }
    switch (settings.signal) {
    case bench_signal::interrupt:
        platform::raise_signal(SIGINT);
        break;
    case bench_signal::terminate:
        platform::raise_signal(SIGTERM);
        break;
    case bench_signal::kill:
        platform::kill_this_process();
    }
}

void LiveTargetFile::save() {
    close();
    save_target(target_, path_);
}

} // namespace avrsim
