// Types, constants and function signatures of the FTDI D2XX library as the host defines them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quarnel {

// D2XX uses the Windows integer types. On Windows DWORD and ULONG are `unsigned long` (32 bits,
// LLP64) and the calls are __stdcall; FTDI's Linux headers map both to `unsigned int` and leave
// the calling convention empty. Mapping them to `unsigned long` on 64-bit Linux would make every
// record and pointer argument twice as wide as the library expects.
#if defined(_WIN32)
#define D2XX_API __stdcall
#else
#define D2XX_API
#endif

namespace d2xx {

#if defined(_WIN32)
using DWORD = unsigned long;
using ULONG = unsigned long;
#else
using DWORD = unsigned int;
using ULONG = unsigned int;
#endif
using UCHAR = unsigned char;
using USHORT = unsigned short;
using FT_HANDLE = void*;
using FT_STATUS = ULONG;
using FT_DEVICE = ULONG;

static_assert(sizeof(DWORD) == 4 && sizeof(ULONG) == 4, "D2XX DWORD and ULONG are 32 bits");

inline constexpr FT_STATUS FT_OK = 0;
inline constexpr FT_STATUS FT_DEVICE_NOT_FOUND = 2;

// FT_OpenEx flags.
inline constexpr DWORD FT_OPEN_BY_SERIAL_NUMBER = 1;
inline constexpr DWORD FT_OPEN_BY_DESCRIPTION = 2;

// FT_Purge mask bits: the receive and the transmit buffer.
inline constexpr ULONG FT_PURGE_RX = 1;
inline constexpr ULONG FT_PURGE_TX = 2;

// FT_SetBitMode modes.
inline constexpr UCHAR FT_BITMODE_RESET = 0x00;
inline constexpr UCHAR FT_BITMODE_MPSSE = 0x02;
inline constexpr UCHAR FT_BITMODE_SYNC_BITBANG = 0x04;

// Bit 0 of FT_DEVICE_LIST_INFO_NODE::Flags: another process holds the device open.
inline constexpr ULONG FT_FLAGS_OPENED = 1;

struct FT_DEVICE_LIST_INFO_NODE {
    ULONG Flags;
    ULONG Type;
    ULONG ID;
    DWORD LocId;
    char SerialNumber[16];
    char Description[64];
    FT_HANDLE ftHandle;
};

// The record is 100 bytes on 32-bit hosts and 104 on 64-bit ones (the handle is aligned to 8).
static_assert(offsetof(FT_DEVICE_LIST_INFO_NODE, SerialNumber) == 16);
static_assert(offsetof(FT_DEVICE_LIST_INFO_NODE, Description) == 32);
static_assert(offsetof(FT_DEVICE_LIST_INFO_NODE, ftHandle) == 96);
static_assert(sizeof(FT_DEVICE_LIST_INFO_NODE) == (sizeof(void*) == 8 ? 104 : 100));

// Signatures of the calls bound at run time (the others are only required to be there).
using FT_Open_t = FT_STATUS(D2XX_API*)(int device_number, FT_HANDLE* handle);
using FT_OpenEx_t = FT_STATUS(D2XX_API*)(void* arg1, DWORD flags, FT_HANDLE* handle);
using FT_Close_t = FT_STATUS(D2XX_API*)(FT_HANDLE handle);
using FT_Read_t = FT_STATUS(D2XX_API*)(FT_HANDLE handle, void* buffer, DWORD to_read,
                                       DWORD* returned);
using FT_Write_t = FT_STATUS(D2XX_API*)(FT_HANDLE handle, void* buffer, DWORD to_write,
                                        DWORD* written);
using FT_Purge_t = FT_STATUS(D2XX_API*)(FT_HANDLE handle, ULONG mask);
using FT_SetTimeouts_t = FT_STATUS(D2XX_API*)(FT_HANDLE handle, ULONG read_ms, ULONG write_ms);
using FT_SetBitMode_t = FT_STATUS(D2XX_API*)(FT_HANDLE handle, UCHAR mask, UCHAR mode);
using FT_SetLatencyTimer_t = FT_STATUS(D2XX_API*)(FT_HANDLE handle, UCHAR ms);
using FT_SetBaudRate_t = FT_STATUS(D2XX_API*)(FT_HANDLE handle, ULONG rate);
using FT_GetDeviceInfo_t = FT_STATUS(D2XX_API*)(FT_HANDLE handle, FT_DEVICE* type, DWORD* id,
                                                char* serial_number, char* description,
                                                void* dummy);
using FT_CreateDeviceInfoList_t = FT_STATUS(D2XX_API*)(DWORD* count);
using FT_GetDeviceInfoList_t = FT_STATUS(D2XX_API*)(FT_DEVICE_LIST_INFO_NODE* list, DWORD* count);
using FT_GetDriverVersion_t = FT_STATUS(D2XX_API*)(FT_HANDLE handle, DWORD* version);
using FT_GetLibraryVersion_t = FT_STATUS(D2XX_API*)(DWORD* version);
// Linux and macOS builds only: adds one USB vendor and product ID to those the library finds.
using FT_SetVIDPID_t = FT_STATUS(D2XX_API*)(DWORD vendor_id, DWORD product_id);

} // namespace d2xx

} // namespace quarnel
