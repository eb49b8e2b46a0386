#include "device/DeviceLink.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "device/LibraryLoader.h"

namespace kdx {
namespace {

using namespace d2xx;

// One library per process: loaded when the main window is created, released
// when the application closes.
struct LibraryState {
    void* module = nullptr;  // null while loaded from an installed table
    bool loaded = false;
    D2xxApi api;
    LibraryLoadError lastError;
};

LibraryState& State() {
    static LibraryState state;
    return state;
}

const D2xxApi* Api() {
    LibraryState& state = State();
    return state.loaded ? &state.api : nullptr;
}

// Without a library no generator can be reached; callers see it as absent.
constexpr LinkStatus NoLibraryStatus = static_cast<LinkStatus>(FT_DEVICE_NOT_FOUND);

LinkStatus FromStatus(FT_STATUS status) {
    return static_cast<LinkStatus>(status);
}

template <typename Fn>
Fn As(void* symbol) {
    return reinterpret_cast<Fn>(symbol);
}

void* IndexArgument(DWORD index) {
    // The library takes the device index in place of the first pointer.
    return reinterpret_cast<void*>(static_cast<uintptr_t>(index));
}

}  // namespace

bool LoadDeviceLibrary() {
    LibraryState& state = State();
    if (state.loaded) {
        return true;
    }
    state.lastError = {};
    const char* override = std::getenv("KDX_D2XX_LIBRARY");
    std::string name = (override != nullptr && *override != '\0') ? override : platform::DefaultD2xxLibraryName();

    std::string loaderText;
    void* module = platform::OpenSharedLibrary(name, loaderText);
    if (module == nullptr) {
        state.lastError = {LibraryLoadFailure::LibraryNotFound, name, loaderText};
        return false;
    }
    void* symbols[std::size(EntryPointNames)] = {};
    for (size_t i = 0; i < std::size(EntryPointNames); ++i) {
        symbols[i] = platform::FindLibrarySymbol(module, EntryPointNames[i]);
        if (symbols[i] == nullptr) {
            platform::CloseSharedLibrary(module);
            state.lastError = {LibraryLoadFailure::EntryPointMissing, name, EntryPointNames[i]};
            return false;
        }
    }
    D2xxApi& api = state.api;
    api.listDevices = As<FnListDevices>(symbols[0]);
    api.open = As<FnOpen>(symbols[1]);
    api.openEx = As<FnOpenEx>(symbols[2]);
    api.close = As<FnClose>(symbols[3]);
    api.resetDevice = As<FnResetDevice>(symbols[4]);
    api.purge = As<FnPurge>(symbols[5]);
    api.setTimeouts = As<FnSetTimeouts>(symbols[6]);
    api.write = As<FnWrite>(symbols[7]);
    api.read = As<FnRead>(symbols[8]);
    api.readEE = As<FnReadEE>(symbols[9]);
    api.eeProgram = As<FnEE_Program>(symbols[10]);
    api.eeRead = As<FnEE_Read>(symbols[11]);
    api.eeUASize = As<FnEE_UASize>(symbols[12]);
    api.eeUAWrite = As<FnEE_UAWrite>(symbols[13]);
    api.eeUARead = As<FnEE_UARead>(symbols[14]);
    state.module = module;
    state.loaded = true;
    return true;
}

bool FreeDeviceLibrary() {
    LibraryState& state = State();
    if (state.module != nullptr) {
        platform::CloseSharedLibrary(state.module);
    }
    state.module = nullptr;
    state.loaded = false;
    state.api = {};
    return true;
}

bool IsDeviceLibraryLoaded() {
    return State().loaded;
}

const LibraryLoadError& LastLibraryLoadError() {
    return State().lastError;
}

std::string DescribeLibraryLoadError(const LibraryLoadError& error) {
    switch (error.kind) {
    case LibraryLoadFailure::None:
        return {};
    case LibraryLoadFailure::LibraryNotFound:
        return "D2XX library " + error.libraryName + " could not be loaded: " + error.detail;
    case LibraryLoadFailure::EntryPointMissing:
        return "D2XX library " + error.libraryName + " lacks the entry point " + error.detail;
    }
    return {};
}

void InstallDeviceApi(const D2xxApi& api) {
    FreeDeviceLibrary();
    LibraryState& state = State();
    state.api = api;
    state.loaded = true;
    state.lastError = {};
}

std::string DescribeLinkStatus(LinkStatus status) {
    const char* words = nullptr;
    switch (status) {
    case LINK_OK: words = "success"; break;
    case FT_DEVICE_NOT_FOUND:
    case FT_DEVICE_NOT_OPENED: words = "no generator was found"; break;
    case FT_INVALID_HANDLE:
    case FT_IO_ERROR:
    case FT_FAILED_TO_WRITE_DEVICE: words = "the generator did not answer"; break;
    case FT_EEPROM_READ_FAILED:
    case FT_EEPROM_NOT_PRESENT:
    case FT_EEPROM_NOT_PROGRAMMED:
    case LINK_USER_AREA_INVALID: words = "the generator's user area is invalid"; break;
    case LINK_NO_TRANSFER:
    case LINK_TRANSFER_ERROR: words = "transfer error"; break;
    case LINK_DEVICE_REFUSED: words = "the generator refused"; break;
    default: words = "the D2XX library failed"; break;
    }
    return std::string(words) + " (link status " + std::to_string(status) + ")";
}

LinkStatus ListGenerators(char* const* serialBuffers, int& outCount) {
    outCount = 0;
    const D2xxApi* api = Api();
    if (api == nullptr) {
        return NoLibraryStatus;
    }
    DWORD deviceCount = 0;
    FT_STATUS status = api->listDevices(&deviceCount, nullptr, FT_LIST_NUMBER_ONLY);
    if (status != FT_OK) {
        return FromStatus(status);
    }
    int found = 0;
    char* const* cursor = serialBuffers;
    for (DWORD i = 0; i < deviceCount; ++i) {
        if (cursor == nullptr || *cursor == nullptr) {
            break;  // no room left: report those found so far
        }
        char description[DescriptionBufferSize] = {};
        if (api->listDevices(IndexArgument(i), description, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION) != FT_OK) {
            continue;
        }
        // Nine bytes: the description must end right after the two blanks.
        if (std::memcmp(description, GeneratorDescription, sizeof GeneratorDescription) != 0) {
            continue;
        }
        // The library may write a serial longer than the caller's buffer holds;
        // take it into room of its own size and keep only those that fit.
        char serial[DescriptionBufferSize] = {};
        if (api->listDevices(IndexArgument(i), serial, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER) != FT_OK) {
            continue;
        }
        const void* end = std::memchr(serial, '\0', sizeof serial);
        size_t length = end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - serial) : sizeof serial;
        if (length >= static_cast<size_t>(SerialBufferSize)) {
            continue;
        }
        std::memcpy(*cursor, serial, length + 1);
        ++found;
        ++cursor;
    }
    outCount = found;
    return LINK_OK;
}

LinkStatus OpenGenerator(const char* usbSerial, DeviceHandle& outHandle) {
    outHandle = nullptr;
    const D2xxApi* api = Api();
    if (api == nullptr) {
        return NoLibraryStatus;
    }
    FT_HANDLE handle = nullptr;
    FT_STATUS status;
    if (usbSerial != nullptr && *usbSerial != '\0') {
        status = api->openEx(const_cast<char*>(usbSerial), FT_OPEN_BY_SERIAL_NUMBER, &handle);
    } else {
        char description[DescriptionBufferSize] = {};
        std::memcpy(description, GeneratorDescription, sizeof GeneratorDescription);
        status = api->openEx(description, FT_OPEN_BY_DESCRIPTION, &handle);
    }
    if (status != FT_OK) {
        return FromStatus(status);
    }
    status = api->resetDevice(handle);
    if (status == FT_OK) {
        status = api->purge(handle, FT_PURGE_RX | FT_PURGE_TX);
    }
    if (status == FT_OK) {
        status = api->setTimeouts(handle, ReadTimeoutMs, WriteTimeoutMs);
    }
    if (status != FT_OK) {
        api->close(handle);  // a failed open never leaves the generator held
        return FromStatus(status);
    }
    outHandle = handle;
    return LINK_OK;
}

LinkStatus CloseGenerator(DeviceHandle handle) {
    const D2xxApi* api = Api();
    if (api == nullptr) {
        return NoLibraryStatus;
    }
    return FromStatus(api->close(handle));
}

LinkStatus WriteExact(DeviceHandle handle, const void* data, uint32_t length) {
    const D2xxApi* api = Api();
    if (api == nullptr) {
        return NoLibraryStatus;
    }
    DWORD written = 0;
    FT_STATUS status = api->write(handle, const_cast<void*>(data), length, &written);
    if (status != FT_OK) {
        return FromStatus(status);
    }
    return written == length ? LINK_OK : LINK_TRANSFER_ERROR;
}

LinkStatus ReadExact(DeviceHandle handle, void* data, uint32_t length) {
    const D2xxApi* api = Api();
    if (api == nullptr) {
        return NoLibraryStatus;
    }
    DWORD read = 0;
    FT_STATUS status = api->read(handle, data, length, &read);
    if (status != FT_OK) {
        return FromStatus(status);
    }
    // Fewer bytes means the read time-out ran out first.
    return read == length ? LINK_OK : LINK_TRANSFER_ERROR;
}

LinkStatus Transact(DeviceHandle handle, const void* request, uint32_t requestLength, void* reply,
                    uint32_t replyLength) {
    const bool hasRequest = request != nullptr && requestLength != 0;
    const bool hasReply = reply != nullptr && replyLength != 0;
    if (!hasRequest && !hasReply) {
        return LINK_NO_TRANSFER;
    }
    if (hasRequest) {
        LinkStatus status = WriteExact(handle, request, requestLength);
        if (status != LINK_OK) {
            return status;
        }
    }
    if (hasReply) {
        return ReadExact(handle, reply, replyLength);
    }
    return LINK_OK;
}

LinkStatus ReadUserArea(DeviceHandle handle, uint8_t* buffer50) {
    const D2xxApi* api = Api();
    if (api == nullptr) {
        return NoLibraryStatus;
    }
    DWORD read = 0;
    FT_STATUS status = api->eeUARead(handle, buffer50, UserAreaSize, &read);
    if (status != FT_OK) {
        return FromStatus(status);
    }
    return read == static_cast<DWORD>(UserAreaSize) ? LINK_OK : LINK_USER_AREA_INVALID;
}

}  // namespace kdx
