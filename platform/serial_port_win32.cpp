// Serial ports through the Win32 communications API: a DCB for the line, COMMTIMEOUTS for the
// reads, EscapeCommFunction for DTR and RTS.
#include "platform/serial_port.h"

#include "platform/system_error.h"
#include "platform/win32_text.h"

#include <windows.h>

namespace platform {
namespace {

// The system's reason for the last failure, after what was tried.
void record_failure(const std::string& what) {
    record_system_error(what + ": " + win32_message(GetLastError()));
}

class win32_port final : public serial_port {
  public:
    win32_port(HANDLE port, std::string port_name) : handle(port), name(std::move(port_name)) {}
    ~win32_port() override { CloseHandle(handle); }

    bool write(const std::uint8_t* data, std::size_t len) override {
        while (len > 0) {
            DWORD done = 0;
            if (!WriteFile(handle, data, static_cast<DWORD>(len), &done, nullptr)) {
                record_failure("can't write to " + name);
                return false;
            }
            data += done;
            len -= done;
        }
        return true;
    }

    long read(std::uint8_t* data, std::size_t len, unsigned timeout_ms) override {
        // Everything asked for, or what came until the time-out.
        COMMTIMEOUTS timeouts{};
        timeouts.ReadTotalTimeoutConstant = timeout_ms;
        if (!SetCommTimeouts(handle, &timeouts)) {
            record_failure("can't set time-outs of " + name);
            return -1;
        }
        DWORD done = 0;
        if (!ReadFile(handle, data, static_cast<DWORD>(len), &done, nullptr)) {
            record_failure("can't read from " + name);
            return -1;
        }
        return static_cast<long>(done);
    }

    bool discard_input() override {
        if (!PurgeComm(handle, PURGE_RXCLEAR | PURGE_RXABORT)) {
            record_failure("can't flush " + name);
            return false;
        }
        return true;
    }

    bool set_dtr_rts(bool active) override {
        if (!EscapeCommFunction(handle, active ? SETDTR : CLRDTR) ||
            !EscapeCommFunction(handle, active ? SETRTS : CLRRTS)) {
            record_failure("can't set DTR and RTS of " + name);
            return false;
        }
        return true;
    }

  private:
    HANDLE handle;
    std::string name;
};

} // namespace

std::unique_ptr<serial_port> open_serial_port(const std::string& path, unsigned baud) {
    // COM10 and up open only by their device name; the short ones do too.
    const std::string device = path.rfind("\\\\.\\", 0) == 0 ? path : "\\\\.\\" + path;
    HANDLE handle = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        record_failure("can't open " + path);
        return nullptr;
    }
    DCB line{};
    line.DCBlength = sizeof line;
    if (!GetCommState(handle, &line)) {
        record_failure("can't set up " + path);
        CloseHandle(handle);
        return nullptr;
    }
    line.BaudRate = baud;
    line.ByteSize = 8;
    line.Parity = NOPARITY;
    line.StopBits = ONESTOPBIT;
    line.fBinary = TRUE;
    line.fParity = FALSE;
    line.fOutxCtsFlow = FALSE;
    line.fOutxDsrFlow = FALSE;
    line.fDsrSensitivity = FALSE;
    line.fOutX = FALSE;
    line.fInX = FALSE;
    line.fNull = FALSE;
    line.fAbortOnError = FALSE;
    line.fDtrControl = DTR_CONTROL_ENABLE;
    line.fRtsControl = RTS_CONTROL_ENABLE;
    if (!SetCommState(handle, &line)) {
        record_failure("can't set " + std::to_string(baud) + " baud on " + path);
        CloseHandle(handle);
        return nullptr;
    }
    return std::make_unique<win32_port>(handle, path);
}

} // namespace platform
