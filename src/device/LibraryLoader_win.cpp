#include "device/LibraryLoader.h"

#include <windows.h>

namespace kdx::platform {

const char* DefaultD2xxLibraryName() {
    return "FTD2XX.dll";
}

void* OpenSharedLibrary(const std::string& name, std::string& error) {
    HMODULE module = LoadLibraryA(name.c_str());
    if (module == nullptr) {
        error = "LoadLibrary failed with error " + std::to_string(GetLastError());
    }
    return reinterpret_cast<void*>(module);
}

void* FindLibrarySymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseSharedLibrary(void* library) {
    if (library != nullptr) {
        FreeLibrary(static_cast<HMODULE>(library));
    }
}

}  // namespace kdx::platform
