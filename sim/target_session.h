// A stand-in library's hold on its target file: loaded on first use, each write of the chip
// kept in it at once, put back in its usual form when the process ends.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "sim/chip_model.h"
#include "sim/live_target_file.h"
#include "sim/sim_clock.h"
#include "sim/target_file.h"

namespace avrsim {

// Loads the target file named by AVRSIM_TARGET with a chip on real monotonic time. When
// the variable is missing or the file is damaged, the reason goes to standard error once
// and the session has no target (the stand-in then behaves as if nothing were attached).
// The chip's writes reach the file as it makes them (LiveTargetFile). The destructor saves
// the file in its usual form and writes the access counters, with the number of
// complete instructions the chip took in and of those lost while it was busy, to the file
// named by the target's `stats` key.
class TargetSession {
  public:
    TargetSession();
    ~TargetSession();
    TargetSession(const TargetSession&) = delete;
    TargetSession& operator=(const TargetSession&) = delete;

    bool loaded() const { return chip_ != nullptr; }
    Target& target() { return target_; }
    ChipModel& chip() { return *chip_; }
    const sim_clock& clock() const { return clock_; }
    // A named access counter, written as "name value" lines to the stats file.
    long& counter(const std::string& name) { return counters_[name]; }

  private:
    std::string path_;
    Target target_;
    monotonic_clock clock_;
    std::unique_ptr<LiveTargetFile> file_;
    std::unique_ptr<ChipModel> chip_;
    std::map<std::string, long> counters_;
};

} // namespace avrsim
