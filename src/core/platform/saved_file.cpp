#include "platform/saved_file.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/regular_file.h"

namespace platform {

namespace {

// The kernel's own limit on links followed in one name.
constexpr int kMaxLinks = 40;

SaveFileError ErrorOf(int err) {
    switch (err) {
    case ENOENT:
    case ENOTDIR:
        return SaveFileError::kMissing;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        return SaveFileError::kDenied;
    case EISDIR:
        return SaveFileError::kNotRegular;
    case ELOOP:
        return SaveFileError::kUnsafeLink;
    default:
        return SaveFileError::kFailed;
    }
}

// The file a save writes: a name in an open folder.
struct Target {
    FileDescriptor folder;
    std::string leaf;
    bool exists = false;
    struct stat st {};
};

// Folder and last component of a name; "." for a bare name.
void Split(const std::string& path, std::string& folder, std::string& leaf) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        folder = ".";
        leaf = path;
    } else {
        folder = slash == 0 ? "/" : path.substr(0, slash);
        leaf = path.substr(slash + 1);
    }
}

FileDescriptor OpenFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 && errno == EACCES) {
        // Search and write permission suffice to save into it; only the sync
        // of the folder needs it open for reading.
        fd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    return FileDescriptor(fd);
}

// A link in a world-writable sticky folder (/tmp) is followed only when it
// belongs to us or to the folder's owner, as the kernel's protected_symlinks
// rule has it for the names it follows itself: another user must not be
// able to point our save at one of our files.
bool MayFollow(int folder, const struct stat& link) {
    struct stat dir {};
    if (::fstat(folder, &dir) != 0) {
        return false;
    }
    const bool shared = (dir.st_mode & S_ISVTX) && (dir.st_mode & S_IWOTH);
    return !shared || link.st_uid == ::geteuid() || link.st_uid == dir.st_uid;
}

// Follows symbolic links in the last component to the file they finally
// name; the folders on the way are left to the system.
SaveFileError FindTarget(const std::string& path, Target& target) {
    std::string name = path;
    std::vector<char> link(PATH_MAX + 1);
    for (int hop = 0;; ++hop) {
        std::string folder;
        Split(name, folder, target.leaf);
        if (target.leaf.empty() || target.leaf == "." || target.leaf == "..") {
            return SaveFileError::kNotRegular; // names a folder
        }
        target.folder = OpenFolder(folder);
        if (!target.folder) {
            return ErrorOf(errno);
        }
        if (::fstatat(target.folder.get(), target.leaf.c_str(), &target.st, AT_SYMLINK_NOFOLLOW) !=
            0) {
            if (errno == ENOENT) {
                target.exists = false;
                return SaveFileError::kNone;
            }
            return ErrorOf(errno);
        }
        if (!S_ISLNK(target.st.st_mode)) {
            target.exists = true;
            return SaveFileError::kNone;
        }
        if (hop == kMaxLinks || !MayFollow(target.folder.get(), target.st)) {
            return SaveFileError::kUnsafeLink;
        }
        const ssize_t n =
            ::readlinkat(target.folder.get(), target.leaf.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<size_t>(n) >= link.size()) {
            return SaveFileError::kFailed;
        }
        const std::string to(link.data(), static_cast<size_t>(n));
        name = to.front() == '/' ? to : folder + "/" + to;
    }
}

// What an existing file must be for a save to replace it.
SaveFileError CheckReplaceable(int folder, const std::string& leaf, const struct stat& st) {
    if (!S_ISREG(st.st_mode)) {
        return SaveFileError::kNotRegular;
    }
    // A rename would leave the other names with the old phonebook, writing
    // in place would give up the all-or-nothing save: neither is done.
    if (st.st_nlink > 1) {
        return SaveFileError::kHardLinked;
    }
    if (::faccessat(folder, leaf.c_str(), W_OK, AT_EACCESS) != 0) {
        return ErrorOf(errno);
    }
    return SaveFileError::kNone;
}

// The name as it is just before the rename: it may have been changed since
// it was first looked at.
SaveFileError CheckStillReplaceable(int folder, const std::string& leaf) {
    struct stat st {};
    if (::fstatat(folder, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == ENOENT ? SaveFileError::kNone : ErrorOf(errno);
    }
    return CheckReplaceable(folder, leaf, st);
}

// A short name, so that a target name near the longest allowed still leaves
// room for it, and one other users of the folder cannot guess in advance.
std::string TemporaryName(const char* tag) {
    static unsigned counter = 0;
    uint64_t bits = 0;
    if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) != sizeof bits) {
        bits = (uint64_t{static_cast<uint32_t>(::getpid())} << 32) ^ ++counter;
    }
    char name[64];
    std::snprintf(name, sizeof name, ".%.16s-%016llx.tmp", tag,
                  static_cast<unsigned long long>(bits));
    return name;
}

bool WriteAll(int fd, const void* data, size_t count) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (count > 0) {
        const ssize_t n = ::write(fd, bytes, count);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

// The temporary file takes the old file's owner before its mode: a change of
// owner clears the set-id bits.
bool TakeOver(int fd, const struct stat& old) {
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
        (void)!::fchown(fd, static_cast<uid_t>(-1), old.st_gid); // our own group at least
    }
    return ::fchmod(fd, old.st_mode & 07777) == 0;
}

// The file path finally names, when a save may replace or create it.
SaveFileError FindReplaceable(const std::string& path, Target& target) {
    if (path.empty() || path.find('\0') != std::string::npos) {
        return SaveFileError::kMissing;
    }
    if (const SaveFileError why = FindTarget(path, target); why != SaveFileError::kNone) {
        return why;
    }
    return target.exists ? CheckReplaceable(target.folder.get(), target.leaf, target.st)
                         : SaveFileError::kNone;
}

} // namespace

SaveFileError SaveFile(const std::string& path, std::span<const uint8_t> bytes, const char* tag,
                       unsigned newMode) {
    Target target;
    if (const SaveFileError why = FindReplaceable(path, target); why != SaveFileError::kNone) {
        return why;
    }
    const int folder = target.folder.get();

    // An old file's mode is set before the first byte; a new file follows
    // the umask.
    std::string temp;
    FileDescriptor file;
    for (int attempt = 0; attempt < 16 && !file; ++attempt) {
        temp = TemporaryName(tag);
        file = FileDescriptor(::openat(folder, temp.c_str(),
                                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                       target.exists ? 0600 : newMode));
        if (!file && errno != EEXIST) {
            break;
        }
    }
    if (!file) {
        return ErrorOf(errno);
    }
    bool ok = (!target.exists || TakeOver(file.get(), target.st)) &&
              WriteAll(file.get(), bytes.data(), bytes.size()) && ::fsync(file.get()) == 0;
    ok = ::close(file.release()) == 0 && ok;

    SaveFileError why = ok ? CheckStillReplaceable(folder, target.leaf) : SaveFileError::kFailed;
    if (why == SaveFileError::kNone &&
        ::renameat(folder, temp.c_str(), folder, target.leaf.c_str()) != 0) {
        why = ErrorOf(errno);
    }
    if (why != SaveFileError::kNone) {
        ::unlinkat(folder, temp.c_str(), 0);
        return why;
    }
    // The new name is in place whatever this gives; it only hastens it to disk.
    ::fsync(folder);
    return SaveFileError::kNone;
}

SaveFileError CheckSaveTarget(const std::string& path) {
    Target target;
    if (const SaveFileError why = FindReplaceable(path, target); why != SaveFileError::kNone) {
        return why;
    }
    const int folder = target.folder.get();
    // The new copy is made beside the old one: the folder must take it.
    if (::faccessat(folder, ".", W_OK | X_OK, AT_EACCESS) != 0) {
        return ErrorOf(errno);
    }
    return SaveFileError::kNone;
}

bool MakePrivateFolders(const std::string& path) {
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at == path.size() || path[at] == '/') {
            const std::string part = path.substr(0, at);
            if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
                return false;
            }
        }
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool SaveSettingFile(const std::string& path, const std::string& text) {
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakePrivateFolders(path.substr(0, slash))) {
        return false;
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    return SaveFile(path, std::span<const uint8_t>(bytes, text.size()), "setting", 0600) ==
           SaveFileError::kNone;
}

} // namespace platform
