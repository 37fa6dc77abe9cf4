// Windows processes: OpenProcess.
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

} // namespace platform
