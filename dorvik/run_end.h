// How a command ends the run.
#pragma once

namespace dorvik {

enum class RunEnd {
    done,             // release the target, status 0
    done_with_errors, // the command went through but reported a failure: release, status -1
    error,            // stop at once, status -1
    byte_write_error, // a fuse or lock byte did not take: stop at once, status 255
};

} // namespace dorvik
