// The failure of reading or applying the virtual target's files and settings.
#pragma once

#include <stdexcept>

namespace avrsim {

// A target file that cannot be read, or a setting that cannot be applied; what() says why.
class target_error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

} // namespace avrsim
