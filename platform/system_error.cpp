// Storage of the last system failure text.
#include "platform/system_error.h"

#include <cerrno>
#include <cstring>

namespace platform {
namespace {
std::string last_text;
}

const std::string& last_system_error() {
    return last_text;
}

void record_errno() {
    last_text = std::strerror(errno);
}

void record_system_error(std::string text) {
    last_text = std::move(text);
}

} // namespace platform
