// Loading and binding of the D2XX library.
#include "quarnel/adapters/ftdi/d2xx/ftd2xx_library.h"

#include "quarnel/common/console.h"

#include <cstdlib>

namespace quarnel {

const char* ftd2xx_library_name() {
    const char* configured = std::getenv("FTD2XX_LIBRARY");
    if (configured != nullptr && configured[0] != '\0') {
        return configured;
    }
#if defined(_WIN32)
    return "ftd2xx.dll";
#else
    return "libftd2xx.so";
#endif
}

ftd2xx_library_t::ftd2xx_library_t() {
    load(ftd2xx_library_name());
    bind(FT_Open, "FT_Open");
    bind(FT_OpenEx, "FT_OpenEx");
    require("FT_ListDevices");
    bind(FT_Close, "FT_Close");
    bind(FT_Read, "FT_Read");
    bind(FT_Write, "FT_Write");
    bind(FT_SetBaudRate, "FT_SetBaudRate");
    require("FT_SetDivisor");
    bind(FT_Purge, "FT_Purge");
    bind(FT_SetTimeouts, "FT_SetTimeouts");
    require("FT_GetQueueStatus");
    require("FT_GetStatus");
    bind(FT_SetLatencyTimer, "FT_SetLatencyTimer");
    require("FT_GetLatencyTimer");
    bind(FT_SetBitMode, "FT_SetBitMode");
    require("FT_SetUSBParameters");
    bind(FT_GetDeviceInfo, "FT_GetDeviceInfo");
    bind(FT_CreateDeviceInfoList, "FT_CreateDeviceInfoList");
    bind(FT_GetDeviceInfoList, "FT_GetDeviceInfoList");
    require("FT_GetDeviceInfoDetail");
    bind(FT_GetDriverVersion, "FT_GetDriverVersion");
    bind(FT_GetLibraryVersion, "FT_GetLibraryVersion");
    FT_SetVIDPID = reinterpret_cast<d2xx::FT_SetVIDPID_t>(find_function("FT_SetVIDPID"));

    console_log(3, "\t%% '%s' successfully loaded", name().c_str());
    d2xx::DWORD version = 0;
    if (FT_GetLibraryVersion(&version) == d2xx::FT_OK) {
        console_log(3, ", version %X.%X.%X", static_cast<unsigned>((version >> 16) & 0xFFu),
                    static_cast<unsigned>((version >> 8) & 0xFFu),
                    static_cast<unsigned>(version & 0xFFu));
    }
    console_log(3, "%c", 10);
}

} // namespace quarnel
