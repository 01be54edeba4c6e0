// libvexlink.so: the port arbitration library the program loads as
// "vexlink.dll". A port is held through an exclusive advisory lock (flock) on
// a lock file named after its id; every program that honours the same lock
// keeps off the port while another holds it.

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <string>
#include <sys/file.h>
#include <unistd.h>

#include "link/driver_abi.h"

namespace {

std::mutex heldMutex;
std::map<int, int> held; // id -> descriptor holding the lock

std::string LockPath(int id) {
    // FAXRCP_LOCK_DIR keeps test runs that share a machine apart.
    const char* over = std::getenv("FAXRCP_LOCK_DIR");
    const char* dir = over && *over                      ? over
                      : ::access("/run/lock", W_OK) == 0 ? "/run/lock"
                                                         : "/tmp";
    return std::string(dir) + "/faxrcp-port-" + std::to_string(id) + ".lock";
}

} // namespace

extern "C" {

// 1 when the port is ours (also when this process holds it already), 0 when
// another holder has it or the lock file cannot be made.
__attribute__((visibility("default"))) int PortAcquire(int id) {
    std::lock_guard lock(heldMutex);
    if (held.count(id)) {
        return 1;
    }
    const std::string path = LockPath(id);
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0 && errno == EACCES) {
        // Another user made the file; a read-only descriptor locks as well.
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    }
    if (fd < 0) {
        return 0;
    }
    int r;
    do {
        r = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        ::close(fd);
        return 0;
    }
    held[id] = fd;
    return 1;
}

// 1 when this process held the port and gave it back, else 0.
__attribute__((visibility("default"))) int PortRelease(int id) {
    std::lock_guard lock(heldMutex);
    const auto it = held.find(id);
    if (it == held.end()) {
        return 0;
    }
    ::flock(it->second, LOCK_UN);
    ::close(it->second);
    held.erase(it);
    return 1;
}

} // extern "C"
