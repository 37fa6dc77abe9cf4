// Texts of the run-ending exceptions.
#include "quarnel/common/errors.h"

#include "platform/system_error.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace quarnel {

const char* app_error::what() const noexcept {
    return "";
}

const char* rtl_error::what() const noexcept {
    return std::strerror(errno);
}

win32_error::win32_error(int status) : app_error(status), reason(platform::last_system_error()) {
    while (!reason.empty() && (reason.back() == '\r' || reason.back() == '\n')) {
        reason.pop_back();
    }
}

const char* win32_error::what() const noexcept {
    return reason.c_str();
}

} // namespace quarnel
