// Windows processes: OpenProcess and an open that shares nothing.
#include "platform/process.h"

#include <windows.h>

namespace platform {

long current_process_id() {
    return static_cast<long>(GetCurrentProcessId());
}

bool process_gone(long pid) {
    if (pid == current_process_id()) {
        return false;
    }
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) {
        return GetLastError() == ERROR_INVALID_PARAMETER; // no such process
    }
    DWORD code = 0;
    const bool ended = GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
    CloseHandle(process);
    return ended;
}

// The writer keeps its temporary file open without sharing; an open that shares nothing
// succeeds only when nobody else has it open.
bool held_by_nobody(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

} // namespace platform
