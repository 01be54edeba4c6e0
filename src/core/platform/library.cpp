#include "platform/library.h"
#include "platform/program.h"

#include <dlfcn.h>
#include <sys/stat.h>

namespace platform {

namespace {

bool EndsWithDll(const std::string& name) {
    if (name.size() < 4) {
        return false;
    }
    const std::string tail = name.substr(name.size() - 4);
    return (tail[0] == '.') && (tail[1] == 'd' || tail[1] == 'D') &&
           (tail[2] == 'l' || tail[2] == 'L') && (tail[3] == 'l' || tail[3] == 'L');
}

// "NAME.dll" -> "libNAME.so", keeping any folder in front of NAME.
std::string SharedObjectName(const std::string& name) {
    if (!EndsWithDll(name)) {
        return name;
    }
    const std::string stem = name.substr(0, name.size() - 4);
    const size_t slash = stem.rfind('/');
    if (slash == std::string::npos) {
        return "lib" + stem + ".so";
    }
    return stem.substr(0, slash + 1) + "lib" + stem.substr(slash + 1) + ".so";
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

LibraryHandle LoadLibrary(const std::string& name) {
    if (name.empty() || name.find('\0') != std::string::npos || name.size() > 4096) {
        return nullptr;
    }
    const std::string file = SharedObjectName(name);
    if (file.find('/') == std::string::npos) {
        // The program's own folder first, so that the stand-in libraries
        // beside the program win over anything installed on the system.
        const std::string local = ProgramDirectory() + file;
        if (IsRegularFile(local)) {
            if (void* handle = ::dlopen(local.c_str(), RTLD_NOW | RTLD_LOCAL)) {
                return handle;
            }
        }
    }
    return ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* GetProcAddress(LibraryHandle library, const char* entryPoint) {
    if (!library || !entryPoint) {
        return nullptr;
    }
    return ::dlsym(library, entryPoint);
}

void FreeLibrary(LibraryHandle library) {
    if (library) {
        ::dlclose(library);
    }
}

} // namespace platform
