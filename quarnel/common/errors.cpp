// Texts of the run-ending exceptions.
#include "quarnel/common/errors.h"

#include "platform/system_error.h"

#include <cerrno>
#include <cstring>
#include <string>

const char* app_error::what() const noexcept {
    return "";
}

const char* rtl_error::what() const noexcept {
    return std::strerror(errno);
}

const char* win32_error::what() const noexcept {
    // Shared by all win32_error objects, as the host's message buffer is.
    static char text[1024];
    std::strncpy(text, platform::last_system_error().c_str(), sizeof text - 1);
    text[sizeof text - 1] = '\0';
    std::size_t len = std::strlen(text);
    while (len > 0 && (text[len - 1] == '\r' || text[len - 1] == '\n')) {
        text[--len] = '\0';
    }
    return text;
}
