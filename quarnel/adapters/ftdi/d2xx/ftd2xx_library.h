// The FTDI D2XX library, loaded at run time with the calls this program makes bound.
#pragma once

#include "quarnel/adapters/dynamic_library.h"
#include "quarnel/adapters/ftdi/d2xx/d2xx_types.h"

#include <cstdint>

namespace quarnel {

// File name of the D2XX library: FTD2XX_LIBRARY when set, else the host's standard name.
const char* ftd2xx_library_name();

// Loading fails with "Can't load library" or "Can't get function" (app_error 70); a library
// that lacks any of the 22 calls is unloaded again. Eight of them this program never makes: they
// are asked for only so that a library is taken as D2XX when it has D2XX's whole set.
class ftd2xx_library_t : public dynamic_library_t {
  public:
    ftd2xx_library_t();

    d2xx::FT_Open_t FT_Open = nullptr;
    d2xx::FT_OpenEx_t FT_OpenEx = nullptr;
    d2xx::FT_Close_t FT_Close = nullptr;
    d2xx::FT_Read_t FT_Read = nullptr;
    d2xx::FT_Write_t FT_Write = nullptr;
    d2xx::FT_Purge_t FT_Purge = nullptr;
    d2xx::FT_SetTimeouts_t FT_SetTimeouts = nullptr;
    d2xx::FT_SetBitMode_t FT_SetBitMode = nullptr;
    d2xx::FT_SetLatencyTimer_t FT_SetLatencyTimer = nullptr;
    d2xx::FT_SetBaudRate_t FT_SetBaudRate = nullptr;
    d2xx::FT_GetDeviceInfo_t FT_GetDeviceInfo = nullptr;
    d2xx::FT_CreateDeviceInfoList_t FT_CreateDeviceInfoList = nullptr;
    d2xx::FT_GetDeviceInfoList_t FT_GetDeviceInfoList = nullptr;
    d2xx::FT_GetDriverVersion_t FT_GetDriverVersion = nullptr;
    d2xx::FT_GetLibraryVersion_t FT_GetLibraryVersion = nullptr;
    d2xx::FT_SetVIDPID_t FT_SetVIDPID = nullptr; // null where the library has no such call

  private:
    template <typename Function> void bind(Function& pointer, const char* function_name) {
        pointer = library_function<Function>(*this, function_name);
    }
    // One of the calls the load check asks for and nothing makes.
    void require(const char* function_name) { get_function(function_name); }
};

} // namespace quarnel
