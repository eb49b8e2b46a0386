// The USB link to the generator: loading the bridge vendor's D2XX library,
// listing and opening generators, fixed-length exchanges and the EEPROM user
// area. This is the only code that calls into that library; everything above
// it works with an opaque handle and a LinkStatus.
#pragma once

#include <cstdint>
#include <string>

#include "device/D2xx.h"

namespace kdx {

// 0 success; 1..18 the library's own status of the failing call, passed
// through; 19..22 the link's own failures.
using LinkStatus = int32_t;
inline constexpr LinkStatus LINK_OK = 0;
inline constexpr LinkStatus LINK_NO_TRANSFER = 19;        // neither a request nor a reply was asked for
inline constexpr LinkStatus LINK_USER_AREA_INVALID = 20;  // short user area, bad checksum, equal calibration points
inline constexpr LinkStatus LINK_TRANSFER_ERROR = 21;     // short write/read, wrong echo, bad reply, device error flag
inline constexpr LinkStatus LINK_DEVICE_REFUSED = 22;     // block reply status 2

using DeviceHandle = d2xx::FT_HANDLE;

// USB product description of a generator: the model name and two blanks.
inline constexpr char GeneratorDescription[] = "VELX-9  ";
inline constexpr int SerialBufferSize = 11;       // up to 10 characters and the terminating zero
inline constexpr int DescriptionBufferSize = 64;  // what the library may write for a description
inline constexpr int UserAreaSize = 50;
inline constexpr uint32_t ReadTimeoutMs = 2000;
inline constexpr uint32_t WriteTimeoutMs = 10000;

// The 15 entry points, in the order they are resolved.
struct D2xxApi {
    d2xx::FnListDevices listDevices = nullptr;
    d2xx::FnOpen open = nullptr;
    d2xx::FnOpenEx openEx = nullptr;
    d2xx::FnClose close = nullptr;
    d2xx::FnResetDevice resetDevice = nullptr;
    d2xx::FnPurge purge = nullptr;
    d2xx::FnSetTimeouts setTimeouts = nullptr;
    d2xx::FnWrite write = nullptr;
    d2xx::FnRead read = nullptr;
    d2xx::FnReadEE readEE = nullptr;
    d2xx::FnEE_Program eeProgram = nullptr;
    d2xx::FnEE_Read eeRead = nullptr;
    d2xx::FnEE_UASize eeUASize = nullptr;
    d2xx::FnEE_UAWrite eeUAWrite = nullptr;
    d2xx::FnEE_UARead eeUARead = nullptr;
};

// Why the last LoadDeviceLibrary failed, for a user-facing explanation.
enum class LibraryLoadFailure { None, LibraryNotFound, EntryPointMissing };
struct LibraryLoadError {
    LibraryLoadFailure kind = LibraryLoadFailure::None;
    std::string libraryName;  // the name or path that was tried
    std::string detail;       // the loader's own text, or the missing entry point's name
};

// Loads libftd2xx.so by name, or the file named by KDX_D2XX_LIBRARY when that
// is set, and resolves all 15 entry points. True at once when already loaded.
// On failure nothing stays loaded; LastLibraryLoadError says why.
bool LoadDeviceLibrary();
// Releases the library (or forgets an installed table). Always true.
bool FreeDeviceLibrary();
bool IsDeviceLibraryLoaded();
const LibraryLoadError& LastLibraryLoadError();
// One line in plain words from LastLibraryLoadError (empty when none).
std::string DescribeLibraryLoadError(const LibraryLoadError& error);
// Uses an in-process table instead of a loaded library (tests drive the link
// with fakes this way). Every entry must be set; a previously loaded library
// is released first. Undone by FreeDeviceLibrary.
void InstallDeviceApi(const D2xxApi& api);

// A status in plain words for a user, with its number: "no generator was
// found (link status 2)".
std::string DescribeLinkStatus(LinkStatus status);

// Lists attached generators. serialBuffers is a list of writable
// SerialBufferSize-byte buffers ended by a null entry; each generator found
// fills the next buffer with its USB serial number. outCount receives the
// number found, also when the buffers ran out before the bus did.
LinkStatus ListGenerators(char* const* serialBuffers, int& outCount);
// Opens the generator with that USB serial, or the first with the right
// description when usbSerial is null or empty; resets and purges it and sets
// its time-outs. On failure nothing is left open.
LinkStatus OpenGenerator(const char* usbSerial, DeviceHandle& outHandle);
LinkStatus CloseGenerator(DeviceHandle handle);
// One write of the whole request (when given), then one read of the whole
// reply (when asked for). A short count is LINK_TRANSFER_ERROR.
LinkStatus Transact(DeviceHandle handle, const void* request, uint32_t requestLength, void* reply,
                    uint32_t replyLength);
// The single write and read steps of Transact, for exchanges made of several
// pieces (the block protocol's header, parameter block and sample data).
LinkStatus WriteExact(DeviceHandle handle, const void* data, uint32_t length);
LinkStatus ReadExact(DeviceHandle handle, void* data, uint32_t length);
// Reads the 50-byte user area of the bridge's EEPROM.
LinkStatus ReadUserArea(DeviceHandle handle, uint8_t* buffer50);

}  // namespace kdx
