// A stand-in library's hold on its target file: loaded on first use, each write of the chip
// kept in it at once, put back in its usual form when the process ends.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "sim/chip_model.h"
#include "sim/chip_socket.h"
#include "sim/live_target_file.h"
#include "sim/sim_clock.h"
#include "sim/target_file.h"

namespace avrsim {

// The target file of a place on the bench named `place` (a port's base address in hex, a
// channel's serial number): AVRSIM_TARGET_<place> when that is set, else AVRSIM_TARGET; nullptr
// when neither is.
const char* target_path_for(const std::string& place);

// Loads the target file `path` with a chip on `clock` (which outlives the session). When the path
// is missing or the file is damaged, the reason goes to standard error once and the session has no
// target (the stand-in then behaves as if nothing were attached). The chip's writes reach the
// file as it makes them (LiveTargetFile); a file with a `socket` folder holds its chips there
// instead (ChipSocket), each saved to its own file when it leaves the socket and at the end.
// The destructor saves the file in its usual form and writes the access counters, with the
// number of complete instructions the chip took in and of those lost while it was busy, to
// the file named by the target's `stats` key.
class TargetSession {
  public:
    TargetSession(const char* path, const sim_clock& clock);
    ~TargetSession();
    TargetSession(const TargetSession&) = delete;
    TargetSession& operator=(const TargetSession&) = delete;

    bool loaded() const { return chip_ != nullptr; }
    Target& target() { return target_; }
    ChipModel& chip() { return *chip_; }
    const sim_clock& clock() const { return clock_; }
    // A named access counter, written as "name value" lines to the stats file.
    long& counter(const std::string& name) { return counters_[name]; }
    // Before each access of the programmer: lets a socket's handler move.
    void before_access() {
        if (socket_) {
            socket_->before_access(*chip_, clock_.now_us());
        }
    }

  private:
    std::string path_;
    Target target_;
    const sim_clock& clock_;
    std::unique_ptr<LiveTargetFile> file_;
    std::unique_ptr<ChipModel> chip_;
    std::unique_ptr<ChipSocket> socket_;
    std::map<std::string, long> counters_;
};

} // namespace avrsim
