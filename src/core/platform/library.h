#pragma once
#include <string>

namespace platform {

using LibraryHandle = void*;

// "NAME.dll" is the shared object "libNAME.so", looked up first in the
// program's directory, then on the system library path. nullptr when absent.
LibraryHandle LoadLibrary(const std::string& name);
// nullptr when the entry point is missing.
void* GetProcAddress(LibraryHandle library, const char* entryPoint);
void FreeLibrary(LibraryHandle library);

} // namespace platform
