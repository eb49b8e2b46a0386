// Loading a shared library and finding its symbols, kept apart so that only
// one small file differs per platform.
#pragma once

#include <string>

namespace kdx::platform {

// The vendor library's name as the platform's loader searches for it.
const char* DefaultD2xxLibraryName();
// Null on failure, with the loader's own explanation in error.
void* OpenSharedLibrary(const std::string& name, std::string& error);
void* FindLibrarySymbol(void* library, const char* name);
void CloseSharedLibrary(void* library);

}  // namespace kdx::platform
