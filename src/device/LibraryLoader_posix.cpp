#include "device/LibraryLoader.h"

#include <dlfcn.h>

namespace kdx::platform {

const char* DefaultD2xxLibraryName() {
    return "libftd2xx.so";
}

void* OpenSharedLibrary(const std::string& name, std::string& error) {
    // RTLD_LOCAL keeps the library's symbols from standing in for anyone else's.
    void* library = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* text = dlerror();
        error = text != nullptr ? text : "unknown loader error";
    }
    return library;
}

void* FindLibrarySymbol(void* library, const char* name) {
    return dlsym(library, name);
}

void CloseSharedLibrary(void* library) {
    if (library != nullptr) {
        dlclose(library);
    }
}

}  // namespace kdx::platform
