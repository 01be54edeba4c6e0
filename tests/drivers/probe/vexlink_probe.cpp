// Another program that honours the port lock: loads libvexlink.so, asks for
// the port and exits with 10 + the answer (the lock goes with the process).
#include <cstdlib>
#include <dlfcn.h>

#include "link/driver_abi.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        return 2;
    }
    void* lib = dlopen(argv[1], RTLD_NOW);
    if (!lib) {
        return 3;
    }
    auto acquire = reinterpret_cast<PortAcquireFn>(dlsym(lib, "PortAcquire"));
    if (!acquire) {
        return 4;
    }
    return 10 + acquire(std::atoi(argv[2]));
}
