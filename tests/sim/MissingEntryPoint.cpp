// A library with 14 of the 15 D2XX entry points (FT_EE_UARead is absent): the
// loader must refuse it as a whole.
#include "device/D2xx.h"

#define STAND_IN extern "C" __attribute__((visibility("default")))

using namespace kdx::d2xx;

STAND_IN FT_STATUS FT_ListDevices(void*, void*, DWORD) { return FT_OK; }
STAND_IN FT_STATUS FT_Open(int, FT_HANDLE*) { return FT_NOT_SUPPORTED; }
STAND_IN FT_STATUS FT_OpenEx(void*, DWORD, FT_HANDLE*) { return FT_DEVICE_NOT_FOUND; }
STAND_IN FT_STATUS FT_Close(FT_HANDLE) { return FT_INVALID_HANDLE; }
STAND_IN FT_STATUS FT_ResetDevice(FT_HANDLE) { return FT_INVALID_HANDLE; }
STAND_IN FT_STATUS FT_Purge(FT_HANDLE, ULONG) { return FT_INVALID_HANDLE; }
STAND_IN FT_STATUS FT_SetTimeouts(FT_HANDLE, ULONG, ULONG) { return FT_INVALID_HANDLE; }
STAND_IN FT_STATUS FT_Write(FT_HANDLE, void*, DWORD, DWORD*) { return FT_INVALID_HANDLE; }
STAND_IN FT_STATUS FT_Read(FT_HANDLE, void*, DWORD, DWORD*) { return FT_INVALID_HANDLE; }
STAND_IN FT_STATUS FT_ReadEE(FT_HANDLE, DWORD, WORD*) { return FT_NOT_SUPPORTED; }
STAND_IN FT_STATUS FT_EE_Program(FT_HANDLE, void*) { return FT_NOT_SUPPORTED; }
STAND_IN FT_STATUS FT_EE_Read(FT_HANDLE, void*) { return FT_NOT_SUPPORTED; }
STAND_IN FT_STATUS FT_EE_UASize(FT_HANDLE, DWORD*) { return FT_NOT_SUPPORTED; }
STAND_IN FT_STATUS FT_EE_UAWrite(FT_HANDLE, UCHAR*, DWORD) { return FT_NOT_SUPPORTED; }
