// The 15 D2XX entry points over the simulated bus, and the kdxsim_* controls
// tests use between cases. One lock guards everything: the host program is
// single-threaded, but a test may poke the bus from another thread.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <type_traits>

#include "SimConfig.h"
#include "device/D2xx.h"

#define KDXSIM_API extern "C" __attribute__((visibility("default")))

using namespace kdx::d2xx;
using kdx::sim::SimGenerator;

namespace {

struct HandleRecord {
    SimGenerator* generator = nullptr;
};

struct Bus {
    std::mutex mutex;
    bool configured = false;
    uint32_t listStatus = 0;
    std::vector<std::unique_ptr<SimGenerator>> generators;
    std::vector<std::unique_ptr<HandleRecord>> handles;
    int unsupportedCalls = 0;
    // Log: off unless a file or memory is asked for; nothing is formatted when off.
    FILE* logFile = nullptr;
    bool logToMemory = false;
    std::string logText;
    std::string stateFile;
    std::string lastError;
    std::string returned;  // text handed out by kdxsim_log / kdxsim_state until the next call
};

Bus& TheBus() {
    static Bus bus;
    return bus;
}

bool Logging(const Bus& bus) {
    return bus.logFile != nullptr || bus.logToMemory;
}

void AppendLog(Bus& bus, const std::string& line) {
    if (bus.logToMemory) {
        bus.logText += line;
        bus.logText += '\n';
    }
    if (bus.logFile) {
        std::fputs(line.c_str(), bus.logFile);
        std::fputc('\n', bus.logFile);
        std::fflush(bus.logFile);
    }
}

__attribute__((format(printf, 2, 3))) void Log(Bus& bus, const char* format, ...) {
    if (!Logging(bus)) {
        return;
    }
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    AppendLog(bus, line);
}

void LogBytes(Bus& bus, const char* head, const uint8_t* data, uint32_t n) {
    if (!Logging(bus)) {
        return;
    }
    static const char digits[] = "0123456789ABCDEF";
    std::string line = head;
    line += " :";
    line.reserve(line.size() + size_t{n} * 3);
    for (uint32_t i = 0; i < n; ++i) {
        line += ' ';
        line += digits[data[i] >> 4];
        line += digits[data[i] & 15];
    }
    AppendLog(bus, line);
}

void ApplySetup(Bus& bus, kdx::sim::SimSetup setup, const char* envLog, const char* envState) {
    bus.handles.clear();
    bus.generators.clear();
    bus.listStatus = setup.listStatus;
    bus.unsupportedCalls = 0;
    int index = 0;
    for (auto& g : setup.generators) {
        bus.generators.push_back(std::make_unique<SimGenerator>(index++, std::move(g.config), g.memory));
    }
    if (bus.logFile) {
        std::fclose(bus.logFile);
        bus.logFile = nullptr;
    }
    bus.stateFile = setup.stateFile.empty() && envState ? envState : setup.stateFile;
    if (!bus.stateFile.empty()) {
        std::ifstream in(bus.stateFile, std::ios::binary);
        if (in) {
            std::stringstream text;
            text << in.rdbuf();
            std::vector<SimGenerator*> list;
            for (auto& g : bus.generators) list.push_back(g.get());
            kdx::sim::RestoreHeldState(text.str(), list);
        }
    }
    bus.logToMemory = setup.logToMemory;
    bus.logText.clear();
    std::string path = setup.logPath.empty() && envLog ? envLog : setup.logPath;
    if (!path.empty()) {
        bus.logFile = std::fopen(path.c_str(), "a");
    }
    bus.configured = true;
}

// Keeps what the generators hold for the next process (kdx-tool runs one
// command per process).
void SaveState(Bus& bus) {
    if (bus.stateFile.empty()) {
        return;
    }
    std::vector<const SimGenerator*> list;
    for (auto& g : bus.generators) list.push_back(g.get());
    std::ofstream(bus.stateFile, std::ios::binary | std::ios::trunc) << kdx::sim::SaveHeldState(list);
}

// Loads KDX_SIM_CONFIG, or the default bus when it is not set.
int LoadFromEnvironment(Bus& bus) {
    kdx::sim::SimSetup setup = kdx::sim::DefaultSetup();
    int result = 0;
    if (const char* path = std::getenv("KDX_SIM_CONFIG"); path && *path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        std::string error;
        if (!in) {
            bus.lastError = std::string("cannot read ") + path;
            setup = {};
            result = -1;
        } else if (!kdx::sim::ParseSimConfig(text.str(), setup, error)) {
            bus.lastError = std::string(path) + ": " + error;
            setup = {};
            result = -1;
        }
        if (result != 0) {
            // An unreadable configuration attaches nothing, and says why.
            std::fprintf(stderr, "kdx_sim: %s\n", bus.lastError.c_str());
        }
    }
    ApplySetup(bus, std::move(setup), std::getenv("KDX_SIM_LOG"), std::getenv("KDX_SIM_STATE"));
    return result;
}

// The bus, locked and configured.
struct Session {
    Bus& bus = TheBus();
    std::lock_guard<std::mutex> lock{bus.mutex};
    Session() {
        if (!bus.configured) {
            LoadFromEnvironment(bus);
        }
    }
};

std::vector<SimGenerator*> Visible(Bus& bus) {
    std::vector<SimGenerator*> list;
    for (auto& g : bus.generators) {
        if (!g->Unplugged()) {
            list.push_back(g.get());
        }
    }
    return list;
}

SimGenerator* FromHandle(Bus& bus, FT_HANDLE handle) {
    for (auto& h : bus.handles) {
        if (h.get() == handle) {
            return h->generator;
        }
    }
    return nullptr;
}

// The status of an operation on an open handle before it reaches the generator.
FT_STATUS HandleStatus(Bus& bus, FT_HANDLE handle, SimGenerator*& generator) {
    generator = FromHandle(bus, handle);
    if (!generator) {
        return FT_INVALID_HANDLE;
    }
    if (generator->Unplugged()) {
        return FT_IO_ERROR;
    }
    return FT_OK;
}

int GeneratorIndex(const SimGenerator* g) {
    return g ? g->Index() : -1;
}

FT_STATUS Unsupported(const char* name) {
    Session s;
    ++s.bus.unsupportedCalls;
    Log(s.bus, "Unsupported %s = %u", name, unsigned(FT_NOT_SUPPORTED));
    return FT_NOT_SUPPORTED;
}

}  // namespace

// ---- The D2XX entry points ----

KDXSIM_API FT_STATUS FT_ListDevices(void* arg1, void* arg2, DWORD flags) {
    Session s;
    Bus& bus = s.bus;
    if (flags & FT_LIST_NUMBER_ONLY) {
        FT_STATUS status = FT_OK;
        DWORD count = 0;
        if (!arg1) {
            status = FT_INVALID_PARAMETER;
        } else if (bus.listStatus != 0) {
            status = bus.listStatus;
        } else {
            count = DWORD(Visible(bus).size());
            *static_cast<DWORD*>(arg1) = count;
        }
        Log(bus, "ListDevices number = %u count=%u", unsigned(status), unsigned(count));
        return status;
    }
    if (flags & FT_LIST_BY_INDEX) {
        const DWORD index = DWORD(reinterpret_cast<uintptr_t>(arg1));
        const DWORD what = flags & (FT_OPEN_BY_SERIAL_NUMBER | FT_OPEN_BY_DESCRIPTION);
        const char* kind = what == FT_OPEN_BY_SERIAL_NUMBER ? "serial" : "description";
        std::vector<SimGenerator*> list = Visible(bus);
        FT_STATUS status = FT_OK;
        std::string text;
        if (!arg2 || (what != FT_OPEN_BY_SERIAL_NUMBER && what != FT_OPEN_BY_DESCRIPTION)) {
            status = FT_INVALID_PARAMETER;
        } else if (index >= list.size()) {
            status = FT_DEVICE_NOT_FOUND;
        } else {
            const kdx::sim::GeneratorConfig& c = list[index]->Config();
            status = what == FT_OPEN_BY_SERIAL_NUMBER ? c.listSerialStatus : c.listDescriptionStatus;
            if (status == FT_OK) {
                // The library writes at most 64 bytes, the terminating zero included.
                text = (what == FT_OPEN_BY_SERIAL_NUMBER ? c.usbSerial : c.description).substr(0, 63);
                std::memcpy(arg2, text.c_str(), text.size() + 1);
            }
        }
        Log(bus, "ListDevices index=%u %s = %u \"%s\"", unsigned(index), kind, unsigned(status), text.c_str());
        return status;
    }
    Log(bus, "ListDevices flags=0x%08X = %u", unsigned(flags), unsigned(FT_NOT_SUPPORTED));
    return FT_NOT_SUPPORTED;
}

KDXSIM_API FT_STATUS FT_Open(int deviceNumber, FT_HANDLE* handle) {
    (void)deviceNumber;
    (void)handle;
    return Unsupported("FT_Open");
}

KDXSIM_API FT_STATUS FT_OpenEx(void* arg1, DWORD flags, FT_HANDLE* handle) {
    Session s;
    Bus& bus = s.bus;
    const char* kind = flags == FT_OPEN_BY_SERIAL_NUMBER ? "serial" : flags == FT_OPEN_BY_DESCRIPTION ? "description"
                                                                                                    : "other";
    const char* text = static_cast<const char*>(arg1);
    FT_STATUS status = FT_DEVICE_NOT_FOUND;
    SimGenerator* found = nullptr;
    if (!handle || !text || (flags != FT_OPEN_BY_SERIAL_NUMBER && flags != FT_OPEN_BY_DESCRIPTION)) {
        status = FT_INVALID_PARAMETER;
    } else {
        for (SimGenerator* g : Visible(bus)) {
            const std::string& name = flags == FT_OPEN_BY_SERIAL_NUMBER ? g->Config().usbSerial : g->Config().description;
            if (name == text) {
                found = g;
                break;
            }
        }
        if (found) {
            if (found->Config().openStatus != 0) {
                status = found->Config().openStatus;
            } else if (found->IsOpen()) {
                status = FT_DEVICE_NOT_OPENED;  // one process, one handle per device
            } else {
                bus.handles.push_back(std::make_unique<HandleRecord>(HandleRecord{found}));
                found->SetOpen(true);
                *handle = bus.handles.back().get();
                status = FT_OK;
            }
        }
    }
    Log(bus, "OpenEx %s=\"%s\" = %u g%d", kind, text ? text : "", unsigned(status),
        status == FT_OK ? GeneratorIndex(found) : -1);
    return status;
}

KDXSIM_API FT_STATUS FT_Close(FT_HANDLE handle) {
    Session s;
    Bus& bus = s.bus;
    SimGenerator* g = FromHandle(bus, handle);
    FT_STATUS status = FT_INVALID_HANDLE;
    if (g) {
        g->SetOpen(false);
        std::erase_if(bus.handles, [&](const auto& h) { return h.get() == handle; });
        status = FT_OK;
        SaveState(bus);
    }
    Log(bus, "Close g%d = %u", GeneratorIndex(g), unsigned(status));
    return status;
}

KDXSIM_API FT_STATUS FT_ResetDevice(FT_HANDLE handle) {
    Session s;
    SimGenerator* g = nullptr;
    FT_STATUS status = HandleStatus(s.bus, handle, g);
    if (status == FT_OK) {
        status = g->Config().resetStatus;
        if (status == FT_OK) {
            g->Reset();
        }
    }
    Log(s.bus, "ResetDevice g%d = %u", GeneratorIndex(g), unsigned(status));
    return status;
}

KDXSIM_API FT_STATUS FT_Purge(FT_HANDLE handle, ULONG mask) {
    Session s;
    SimGenerator* g = nullptr;
    FT_STATUS status = HandleStatus(s.bus, handle, g);
    if (status == FT_OK) {
        status = g->Config().purgeStatus;
        if (status == FT_OK) {
            g->Purge(mask);
        }
    }
    Log(s.bus, "Purge g%d mask=%u = %u", GeneratorIndex(g), unsigned(mask), unsigned(status));
    return status;
}

KDXSIM_API FT_STATUS FT_SetTimeouts(FT_HANDLE handle, ULONG readTimeoutMs, ULONG writeTimeoutMs) {
    Session s;
    SimGenerator* g = nullptr;
    FT_STATUS status = HandleStatus(s.bus, handle, g);
    if (status == FT_OK) {
        status = g->Config().timeoutsStatus;  // reads never wait, so the values are only logged
    }
    Log(s.bus, "SetTimeouts g%d read=%u write=%u = %u", GeneratorIndex(g), unsigned(readTimeoutMs),
        unsigned(writeTimeoutMs), unsigned(status));
    return status;
}

KDXSIM_API FT_STATUS FT_Write(FT_HANDLE handle, void* buffer, DWORD bytesToWrite, DWORD* bytesWritten) {
    Session s;
    SimGenerator* g = nullptr;
    FT_STATUS status = HandleStatus(s.bus, handle, g);
    DWORD written = 0;
    if (status == FT_OK && (!bytesWritten || (!buffer && bytesToWrite > 0))) {
        status = FT_INVALID_PARAMETER;
    }
    if (status == FT_OK) {
        status = g->Write(static_cast<const uint8_t*>(buffer), bytesToWrite, written);
        *bytesWritten = written;
    }
    if (Logging(s.bus)) {
        char head[128];
        std::snprintf(head, sizeof head, "Write g%d length=%u = %u written=%u", GeneratorIndex(g),
                      unsigned(bytesToWrite), unsigned(status), unsigned(written));
        LogBytes(s.bus, head, static_cast<const uint8_t*>(buffer), written);
    }
    return status;
}

KDXSIM_API FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, DWORD bytesToRead, DWORD* bytesReturned) {
    Session s;
    SimGenerator* g = nullptr;
    FT_STATUS status = HandleStatus(s.bus, handle, g);
    DWORD got = 0;
    if (status == FT_OK && (!bytesReturned || (!buffer && bytesToRead > 0))) {
        status = FT_INVALID_PARAMETER;
    }
    if (status == FT_OK) {
        status = g->Read(static_cast<uint8_t*>(buffer), bytesToRead, got);
        *bytesReturned = got;
    }
    if (Logging(s.bus)) {
        char head[128];
        std::snprintf(head, sizeof head, "Read g%d length=%u = %u read=%u", GeneratorIndex(g), unsigned(bytesToRead),
                      unsigned(status), unsigned(got));
        LogBytes(s.bus, head, static_cast<const uint8_t*>(buffer), got);
    }
    return status;
}

KDXSIM_API FT_STATUS FT_ReadEE(FT_HANDLE handle, DWORD wordOffset, WORD* value) {
    (void)handle;
    (void)wordOffset;
    (void)value;
    return Unsupported("FT_ReadEE");
}

KDXSIM_API FT_STATUS FT_EE_Program(FT_HANDLE handle, void* programData) {
    (void)handle;
    (void)programData;
    return Unsupported("FT_EE_Program");
}

KDXSIM_API FT_STATUS FT_EE_Read(FT_HANDLE handle, void* programData) {
    (void)handle;
    (void)programData;
    return Unsupported("FT_EE_Read");
}

KDXSIM_API FT_STATUS FT_EE_UASize(FT_HANDLE handle, DWORD* size) {
    (void)handle;
    (void)size;
    return Unsupported("FT_EE_UASize");
}

KDXSIM_API FT_STATUS FT_EE_UAWrite(FT_HANDLE handle, UCHAR* data, DWORD length) {
    (void)handle;
    (void)data;
    (void)length;
    return Unsupported("FT_EE_UAWrite");
}

KDXSIM_API FT_STATUS FT_EE_UARead(FT_HANDLE handle, UCHAR* data, DWORD length, DWORD* bytesRead) {
    Session s;
    SimGenerator* g = nullptr;
    FT_STATUS status = HandleStatus(s.bus, handle, g);
    DWORD n = 0;
    if (status == FT_OK && (!data || !bytesRead)) {
        status = FT_INVALID_PARAMETER;
    }
    if (status == FT_OK) {
        status = g->Config().userAreaStatus;
    }
    if (status == FT_OK) {
        n = std::min<DWORD>(length, g->Config().userAreaLength);
        n = std::min<DWORD>(n, kdx::sim::SimUserAreaSize);
        std::memcpy(data, g->Config().userArea.data(), n);
        *bytesRead = n;
    }
    Log(s.bus, "EE_UARead g%d length=%u = %u read=%u", GeneratorIndex(g), unsigned(length), unsigned(status),
        unsigned(n));
    return status;
}

// The exports keep the exact types the loader casts them to.
static_assert(std::is_same_v<decltype(&FT_ListDevices), FnListDevices>);
static_assert(std::is_same_v<decltype(&FT_Open), FnOpen>);
static_assert(std::is_same_v<decltype(&FT_OpenEx), FnOpenEx>);
static_assert(std::is_same_v<decltype(&FT_Close), FnClose>);
static_assert(std::is_same_v<decltype(&FT_ResetDevice), FnResetDevice>);
static_assert(std::is_same_v<decltype(&FT_Purge), FnPurge>);
static_assert(std::is_same_v<decltype(&FT_SetTimeouts), FnSetTimeouts>);
static_assert(std::is_same_v<decltype(&FT_Write), FnWrite>);
static_assert(std::is_same_v<decltype(&FT_Read), FnRead>);
static_assert(std::is_same_v<decltype(&FT_ReadEE), FnReadEE>);
static_assert(std::is_same_v<decltype(&FT_EE_Program), FnEE_Program>);
static_assert(std::is_same_v<decltype(&FT_EE_Read), FnEE_Read>);
static_assert(std::is_same_v<decltype(&FT_EE_UASize), FnEE_UASize>);
static_assert(std::is_same_v<decltype(&FT_EE_UAWrite), FnEE_UAWrite>);
static_assert(std::is_same_v<decltype(&FT_EE_UARead), FnEE_UARead>);

// ---- Controls for tests and benchmarks ----

// Replaces the bus with the configuration text. 0, or -1 with the bus left
// as it was (kdxsim_last_error says why).
KDXSIM_API int kdxsim_configure(const char* jsonText) {
    Bus& bus = TheBus();
    std::lock_guard<std::mutex> lock(bus.mutex);
    kdx::sim::SimSetup setup;
    std::string error;
    if (!jsonText || !kdx::sim::ParseSimConfig(jsonText, setup, error)) {
        bus.lastError = jsonText ? error : "no configuration text";
        return -1;
    }
    ApplySetup(bus, std::move(setup), std::getenv("KDX_SIM_LOG"), std::getenv("KDX_SIM_STATE"));
    return 0;
}

// Back to what the environment says (KDX_SIM_CONFIG, or the default bus).
KDXSIM_API int kdxsim_reset() {
    Bus& bus = TheBus();
    std::lock_guard<std::mutex> lock(bus.mutex);
    return LoadFromEnvironment(bus);
}

KDXSIM_API const char* kdxsim_last_error() {
    Bus& bus = TheBus();
    std::lock_guard<std::mutex> lock(bus.mutex);
    bus.returned = bus.lastError;
    return bus.returned.c_str();
}

// The log kept in memory (configuration "log": true), valid until the next kdxsim_ call.
KDXSIM_API const char* kdxsim_log() {
    Session s;
    s.bus.returned = s.bus.logText;
    return s.bus.returned.c_str();
}

KDXSIM_API void kdxsim_clear_log() {
    Session s;
    s.bus.logText.clear();
}

// Every generator's state as a JSON array, valid until the next kdxsim_ call.
KDXSIM_API const char* kdxsim_state() {
    Session s;
    std::vector<const SimGenerator*> list;
    const auto now = kdx::sim::Clock::now();
    for (auto& g : s.bus.generators) {
        g->UpdatePlayback(now);
        list.push_back(g.get());
    }
    s.bus.returned = kdx::sim::StateJson(list);
    return s.bus.returned.c_str();
}

// Copies up to maxBytes of the sample words the generator last received;
// returns the number of bytes of that stream.
KDXSIM_API uint32_t kdxsim_samples(int generator, uint8_t* out, uint32_t maxBytes) {
    Session s;
    if (generator < 0 || size_t(generator) >= s.bus.generators.size()) {
        return 0;
    }
    const SimGenerator& g = *s.bus.generators[size_t(generator)];
    const uint32_t bytes = g.Memory().receivedSamples * 2;
    if (out) {
        std::memcpy(out, g.SampleBytes(), std::min(bytes, maxBytes));
    }
    return bytes;
}

// Calls of the entry points the host must never make.
KDXSIM_API int kdxsim_unsupported_calls() {
    Session s;
    return s.bus.unsupportedCalls;
}

KDXSIM_API int kdxsim_open_handles() {
    Session s;
    return int(s.bus.handles.size());
}
