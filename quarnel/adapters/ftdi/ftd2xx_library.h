// The FTDI D2XX library, loaded at run time with its 22 calls bound.
#pragma once

#include "quarnel/adapters/dynamic_library.h"
#include "quarnel/adapters/ftdi/d2xx_types.h"

#include <cstdint>

namespace quarnel {

// File name of the D2XX library: FTD2XX_LIBRARY when set, else the host's standard name.
const char* ftd2xx_library_name();

// Loading fails with "Can't load library" or "Can't get function" (app_error 70); a library
// that lacks any of the 22 calls is unloaded again.
class ftd2xx_library_t : public dynamic_library_t {
  public:
    ftd2xx_library_t();

    // FT_GetLibraryVersion, 0x00MMmmbb; 0 when that call failed.
    std::uint32_t library_version = 0;

    d2xx::FT_Open_t FT_Open = nullptr;
    d2xx::FT_OpenEx_t FT_OpenEx = nullptr;
    d2xx::FT_ListDevices_t FT_ListDevices = nullptr;
    d2xx::FT_Close_t FT_Close = nullptr;
    d2xx::FT_Read_t FT_Read = nullptr;
    d2xx::FT_Write_t FT_Write = nullptr;
    d2xx::FT_SetBaudRate_t FT_SetBaudRate = nullptr;
    d2xx::FT_SetDivisor_t FT_SetDivisor = nullptr;
    d2xx::FT_Purge_t FT_Purge = nullptr;
    d2xx::FT_SetTimeouts_t FT_SetTimeouts = nullptr;
    d2xx::FT_GetQueueStatus_t FT_GetQueueStatus = nullptr;
    d2xx::FT_GetStatus_t FT_GetStatus = nullptr;
    d2xx::FT_SetLatencyTimer_t FT_SetLatencyTimer = nullptr;
    d2xx::FT_GetLatencyTimer_t FT_GetLatencyTimer = nullptr;
    d2xx::FT_SetBitMode_t FT_SetBitMode = nullptr;
    d2xx::FT_SetUSBParameters_t FT_SetUSBParameters = nullptr;
    d2xx::FT_GetDeviceInfo_t FT_GetDeviceInfo = nullptr;
    d2xx::FT_CreateDeviceInfoList_t FT_CreateDeviceInfoList = nullptr;
    d2xx::FT_GetDeviceInfoList_t FT_GetDeviceInfoList = nullptr;
    d2xx::FT_GetDeviceInfoDetail_t FT_GetDeviceInfoDetail = nullptr;
    d2xx::FT_GetDriverVersion_t FT_GetDriverVersion = nullptr;
    d2xx::FT_GetLibraryVersion_t FT_GetLibraryVersion = nullptr;
    d2xx::FT_SetVIDPID_t FT_SetVIDPID = nullptr; // null where the library has no such call

  private:
    template <typename Function> void bind(Function& pointer, const char* function_name) {
        pointer = library_function<Function>(*this, function_name);
    }
};

} // namespace quarnel
