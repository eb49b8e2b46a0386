// Declarations of the USB bridge vendor's D2XX library, written from its
// public programmer's guide: the types, status values, flags and the 15 entry
// points this program resolves by name. Integer sizes follow the vendor's
// Linux build (DWORD is 32 bits there).
#pragma once

#include <cstdint>

namespace kdx::d2xx {

using DWORD = uint32_t;
using ULONG = uint32_t;
using UCHAR = unsigned char;
using WORD = uint16_t;
using FT_HANDLE = void*;
using FT_STATUS = ULONG;

// Status values 0..18 as the library returns them.
enum : FT_STATUS {
    FT_OK = 0,
    FT_INVALID_HANDLE = 1,
    FT_DEVICE_NOT_FOUND = 2,
    FT_DEVICE_NOT_OPENED = 3,
    FT_IO_ERROR = 4,
    FT_INSUFFICIENT_RESOURCES = 5,
    FT_INVALID_PARAMETER = 6,
    FT_INVALID_BAUD_RATE = 7,
    FT_DEVICE_NOT_OPENED_FOR_ERASE = 8,
    FT_DEVICE_NOT_OPENED_FOR_WRITE = 9,
    FT_FAILED_TO_WRITE_DEVICE = 10,
    FT_EEPROM_READ_FAILED = 11,
    FT_EEPROM_WRITE_FAILED = 12,
    FT_EEPROM_ERASE_FAILED = 13,
    FT_EEPROM_NOT_PRESENT = 14,
    FT_EEPROM_NOT_PROGRAMMED = 15,
    FT_INVALID_ARGS = 16,
    FT_NOT_SUPPORTED = 17,
    FT_OTHER_ERROR = 18,
};

// FT_OpenEx and FT_ListDevices flags.
inline constexpr DWORD FT_OPEN_BY_SERIAL_NUMBER = 1;
inline constexpr DWORD FT_OPEN_BY_DESCRIPTION = 2;
inline constexpr DWORD FT_LIST_NUMBER_ONLY = 0x80000000u;
inline constexpr DWORD FT_LIST_BY_INDEX = 0x40000000u;
inline constexpr DWORD FT_LIST_ALL = 0x20000000u;
// FT_Purge mask.
inline constexpr ULONG FT_PURGE_RX = 1;
inline constexpr ULONG FT_PURGE_TX = 2;

// Entry points (C calling convention on Linux).
extern "C" {
using FnListDevices = FT_STATUS (*)(void* arg1, void* arg2, DWORD flags);
using FnOpen = FT_STATUS (*)(int deviceNumber, FT_HANDLE* handle);
using FnOpenEx = FT_STATUS (*)(void* arg1, DWORD flags, FT_HANDLE* handle);
using FnClose = FT_STATUS (*)(FT_HANDLE handle);
using FnResetDevice = FT_STATUS (*)(FT_HANDLE handle);
using FnPurge = FT_STATUS (*)(FT_HANDLE handle, ULONG mask);
using FnSetTimeouts = FT_STATUS (*)(FT_HANDLE handle, ULONG readTimeoutMs, ULONG writeTimeoutMs);
using FnWrite = FT_STATUS (*)(FT_HANDLE handle, void* buffer, DWORD bytesToWrite, DWORD* bytesWritten);
using FnRead = FT_STATUS (*)(FT_HANDLE handle, void* buffer, DWORD bytesToRead, DWORD* bytesReturned);
using FnReadEE = FT_STATUS (*)(FT_HANDLE handle, DWORD wordOffset, WORD* value);
using FnEE_Program = FT_STATUS (*)(FT_HANDLE handle, void* programData);
using FnEE_Read = FT_STATUS (*)(FT_HANDLE handle, void* programData);
using FnEE_UASize = FT_STATUS (*)(FT_HANDLE handle, DWORD* size);
using FnEE_UAWrite = FT_STATUS (*)(FT_HANDLE handle, UCHAR* data, DWORD length);
using FnEE_UARead = FT_STATUS (*)(FT_HANDLE handle, UCHAR* data, DWORD length, DWORD* bytesRead);
}

// The names, in the order they are resolved.
inline constexpr const char* EntryPointNames[15] = {
    "FT_ListDevices", "FT_Open",      "FT_OpenEx",   "FT_Close",      "FT_ResetDevice",
    "FT_Purge",       "FT_SetTimeouts", "FT_Write",  "FT_Read",       "FT_ReadEE",
    "FT_EE_Program",  "FT_EE_Read",   "FT_EE_UASize", "FT_EE_UAWrite", "FT_EE_UARead"};

}  // namespace kdx::d2xx
