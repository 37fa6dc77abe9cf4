// A target file kept as the chip on it is: each write is in the file the moment it is made.
#pragma once

#include <cstdio>
#include <string>

#include "sim/chip_store.h"
#include "sim/target_file.h"

namespace avrsim {

// Until the chip's first change the file stays as it was. The first change rewrites it whole
// with every memory line (each byte then has a fixed place), and each change after it
// overwrites just the lines it touched, so a program killed at any moment leaves the file as
// the chip was then: a write the operating system has taken in outlives the process. save()
// puts the file back in its usual form. Write failures are reported on standard error once;
// the chip goes on. The `signal` fault is sent from here, once the write it follows is kept,
// and is cleared in the file first, so that the next run goes through.
class LiveTargetFile final : public ChipStore {
  public:
    // `target` must outlive this object.
    LiveTargetFile(Target& target, std::string path);
    ~LiveTargetFile();
    LiveTargetFile(const LiveTargetFile&) = delete;
    LiveTargetFile& operator=(const LiveTargetFile&) = delete;

    void changed(chip_part part, std::size_t start, std::size_t count) override;
    void write_carried_out() override;

    // The whole file in its usual form (erased lines left out); throws target_error.
    void save();

  private:
    void write_full();
    void put(std::size_t at, const std::string& text);
    void close();
    void complain(const std::string& text);

    Target& target_;
    std::string path_;
    TargetLayout layout_;
    std::FILE* file_ = nullptr; // the file with every line, once the chip has changed
    bool failed_ = false;
    long writes_ = 0;
};

} // namespace avrsim
