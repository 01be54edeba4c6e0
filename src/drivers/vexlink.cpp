// libvexlink.so: the port arbitration library the program loads as
// "vexlink.dll". A port is held through an exclusive advisory lock (flock) on
// a lock file named after its id; every program that honours the same lock
// keeps off the port while another holds it.

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "link/driver_abi.h"

namespace {

std::mutex heldMutex;
std::map<int, int> held; // id -> descriptor holding the lock, -1 for none

// Whether any live process holds a lock on the file, by the kernel's list
// of locks ("1: FLOCK ADVISORY WRITE 123 08:01:4567 0 EOF").
bool LockedByAnyone(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return true; // cannot tell: keep off
    }
    std::ostringstream want;
    want << std::hex;
    want.width(2);
    want.fill('0');
    want << major(st.st_dev) << ':';
    want.width(2);
    want << minor(st.st_dev) << ':' << std::dec << st.st_ino;
    std::ifstream locks("/proc/locks");
    if (!locks) {
        return true; // cannot tell: keep off
    }
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        std::string field;
        for (int i = 0; i < 6 && fields >> field; ++i) {
            if (field == want.str()) {
                return true;
            }
        }
    }
    return false;
}

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
    // Read-only is enough to lock; every user must be able to open the file,
    // whatever the umask of the one who made it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        // A file left by another user that nobody else can open: the lock is
        // the flock, so it is free unless a live process holds one on it.
        if (errno != EACCES || LockedByAnyone(path)) {
            return 0;
        }
        held[id] = -1;
        return 1;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 0777) != 0644) {
        ::fchmod(fd, 0644);
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
    if (it->second >= 0) {
        ::flock(it->second, LOCK_UN);
        ::close(it->second);
    }
    held.erase(it);
    return 1;
}

} // extern "C"
