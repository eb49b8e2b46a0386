// A minimal D2XX stand-in built as a loadable module, to check loading by
// name and the entry-point check. Built twice: complete, and without
// FT_EE_UARead.
#include <cstdint>
#include <cstring>

#include "device/D2xx.h"

using namespace kdx::d2xx;

extern "C" {

FT_STATUS FT_ListDevices(void* arg1, void* arg2, DWORD flags) {
    static const char* const descriptions[] = {"OTHER", "VELX-9  ", "VELX-9"};
    if (flags == FT_LIST_NUMBER_ONLY) {
        *static_cast<DWORD*>(arg1) = 3;
        return FT_OK;
    }
    const auto index = reinterpret_cast<uintptr_t>(arg1);
    if (index >= 3) {
        return FT_DEVICE_NOT_FOUND;
    }
    std::strcpy(static_cast<char*>(arg2), (flags & FT_OPEN_BY_DESCRIPTION) != 0 ? descriptions[index] : "QZ10010042");
    return FT_OK;
}
FT_STATUS FT_Open(int, FT_HANDLE*) { return FT_NOT_SUPPORTED; }
FT_STATUS FT_OpenEx(void*, DWORD, FT_HANDLE*) { return FT_DEVICE_NOT_FOUND; }
FT_STATUS FT_Close(FT_HANDLE) { return FT_OK; }
FT_STATUS FT_ResetDevice(FT_HANDLE) { return FT_OK; }
FT_STATUS FT_Purge(FT_HANDLE, ULONG) { return FT_OK; }
FT_STATUS FT_SetTimeouts(FT_HANDLE, ULONG, ULONG) { return FT_OK; }
FT_STATUS FT_Write(FT_HANDLE, void*, DWORD, DWORD*) { return FT_IO_ERROR; }
FT_STATUS FT_Read(FT_HANDLE, void*, DWORD, DWORD*) { return FT_IO_ERROR; }
FT_STATUS FT_ReadEE(FT_HANDLE, DWORD, WORD*) { return FT_NOT_SUPPORTED; }
FT_STATUS FT_EE_Program(FT_HANDLE, void*) { return FT_NOT_SUPPORTED; }
FT_STATUS FT_EE_Read(FT_HANDLE, void*) { return FT_NOT_SUPPORTED; }
FT_STATUS FT_EE_UASize(FT_HANDLE, DWORD*) { return FT_NOT_SUPPORTED; }
FT_STATUS FT_EE_UAWrite(FT_HANDLE, UCHAR*, DWORD) { return FT_NOT_SUPPORTED; }
#ifndef KDX_STAND_IN_WITHOUT_UAREAD
FT_STATUS FT_EE_UARead(FT_HANDLE, UCHAR*, DWORD, DWORD*) { return FT_NOT_SUPPORTED; }
#endif
}
