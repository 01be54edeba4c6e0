#include "model/phonebook_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/regular_file.h"
#include "protocol/phonebook.h"

namespace {

constexpr char kMagic[] = "VRN FAX-RCP Phonebook";
constexpr size_t kMagicSize = sizeof kMagic; // with its terminator

// The head the writer always puts first.
constexpr uint8_t kFileHead[kPhonebookFileHeadSize] = {
    'V', 'R', 'N', ' ', 'F',  'A',  'X',  '-',  'R',  'C',  'P',  ' ', 'P', 'h',
    'o', 'n', 'e', 'b', 'o',  'o',  'k',  0,    0,    0,    '1',  '.', '0', '0',
    0,   0,   0,   0,   0x14, 0x00, 0x50, 0x00, 0x00, 0x00, 0x00, 0x00};
static_assert(sizeof kMagic - 1 == 21);

// The kernel's own limit on links followed in one name.
constexpr int kMaxLinks = 40;

using platform::FileDescriptor;

int Fail(PhonebookFileError why, PhonebookFileError* error) {
    if (error) {
        *error = why;
    }
    return 0;
}

PhonebookFileError ErrorOf(int err) {
    switch (err) {
    case ENOENT:
    case ENOTDIR:
        return PhonebookFileError::kMissing;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        return PhonebookFileError::kDenied;
    case EISDIR:
        return PhonebookFileError::kNotRegular;
    case ELOOP:
        return PhonebookFileError::kUnsafeLink;
    default:
        return PhonebookFileError::kFailed;
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
PhonebookFileError FindTarget(const std::string& path, Target& target) {
    std::string name = path;
    std::vector<char> link(PATH_MAX + 1);
    for (int hop = 0;; ++hop) {
        std::string folder;
        Split(name, folder, target.leaf);
        if (target.leaf.empty() || target.leaf == "." || target.leaf == "..") {
            return PhonebookFileError::kNotRegular; // names a folder
        }
        target.folder = OpenFolder(folder);
        if (!target.folder) {
            return ErrorOf(errno);
        }
        if (::fstatat(target.folder.get(), target.leaf.c_str(), &target.st, AT_SYMLINK_NOFOLLOW) !=
            0) {
            if (errno == ENOENT) {
                target.exists = false;
                return PhonebookFileError::kNone;
            }
            return ErrorOf(errno);
        }
        if (!S_ISLNK(target.st.st_mode)) {
            target.exists = true;
            return PhonebookFileError::kNone;
        }
        if (hop == kMaxLinks || !MayFollow(target.folder.get(), target.st)) {
            return PhonebookFileError::kUnsafeLink;
        }
        const ssize_t n =
            ::readlinkat(target.folder.get(), target.leaf.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<size_t>(n) >= link.size()) {
            return PhonebookFileError::kFailed;
        }
        const std::string to(link.data(), static_cast<size_t>(n));
        name = to.front() == '/' ? to : folder + "/" + to;
    }
}

// What an existing file must be for a save to replace it.
PhonebookFileError CheckReplaceable(int folder, const std::string& leaf, const struct stat& st) {
    if (!S_ISREG(st.st_mode)) {
        return PhonebookFileError::kNotRegular;
    }
    // A rename would leave the other names with the old phonebook, writing
    // in place would give up the all-or-nothing save: neither is done.
    if (st.st_nlink > 1) {
        return PhonebookFileError::kHardLinked;
    }
    if (::faccessat(folder, leaf.c_str(), W_OK, AT_EACCESS) != 0) {
        return ErrorOf(errno);
    }
    return PhonebookFileError::kNone;
}

// The name as it is just before the rename: it may have been changed since
// it was first looked at.
PhonebookFileError CheckStillReplaceable(int folder, const std::string& leaf) {
    struct stat st {};
    if (::fstatat(folder, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == ENOENT ? PhonebookFileError::kNone : ErrorOf(errno);
    }
    return CheckReplaceable(folder, leaf, st);
}

// A short name, so that a target name near the longest allowed still leaves
// room for it, and one other users of the folder cannot guess in advance.
std::string TemporaryName() {
    static unsigned counter = 0;
    uint64_t bits = 0;
    if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) != sizeof bits) {
        bits = (uint64_t{static_cast<uint32_t>(::getpid())} << 32) ^ ++counter;
    }
    char name[32];
    std::snprintf(name, sizeof name, ".pbf-%016llx.tmp", static_cast<unsigned long long>(bits));
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

} // namespace

int WritePhonebookFile(const std::string& path, PhonebookFileError* error) {
    const int n = PhonebookSlots();
    if (n == 0) {
        return Fail(PhonebookFileError::kNoTable, error);
    }
    if (path.empty() || path.find('\0') != std::string::npos) {
        return Fail(PhonebookFileError::kMissing, error);
    }
    Target target;
    if (const PhonebookFileError why = FindTarget(path, target); why != PhonebookFileError::kNone) {
        return Fail(why, error);
    }
    const int folder = target.folder.get();
    if (target.exists) {
        if (const PhonebookFileError why = CheckReplaceable(folder, target.leaf, target.st);
            why != PhonebookFileError::kNone) {
            return Fail(why, error);
        }
    }

    // An old file's mode is set before the first byte; a new file follows
    // the umask.
    std::string temp;
    FileDescriptor file;
    for (int attempt = 0; attempt < 16 && !file; ++attempt) {
        temp = TemporaryName();
        file = FileDescriptor(::openat(folder, temp.c_str(),
                                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                       target.exists ? 0600 : 0666));
        if (!file && errno != EEXIST) {
            break;
        }
    }
    if (!file) {
        return Fail(ErrorOf(errno), error);
    }
    const size_t tableSize = sizeof(PhonebookEntry) * static_cast<size_t>(n);
    bool ok = (!target.exists || TakeOver(file.get(), target.st)) &&
              WriteAll(file.get(), kFileHead, sizeof kFileHead) &&
              WriteAll(file.get(), PhonebookTable, tableSize) && ::fsync(file.get()) == 0;
    ok = ::close(file.release()) == 0 && ok;

    PhonebookFileError why =
        ok ? CheckStillReplaceable(folder, target.leaf) : PhonebookFileError::kFailed;
    if (why == PhonebookFileError::kNone &&
        ::renameat(folder, temp.c_str(), folder, target.leaf.c_str()) != 0) {
        why = ErrorOf(errno);
    }
    if (why != PhonebookFileError::kNone) {
        ::unlinkat(folder, temp.c_str(), 0);
        return Fail(why, error);
    }
    // The new name is in place whatever this gives; it only hastens it to disk.
    ::fsync(folder);
    if (error) {
        *error = PhonebookFileError::kNone;
    }
    return 1;
}

PhonebookFileError CheckPhonebookFileTarget(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos) {
        return PhonebookFileError::kMissing;
    }
    Target target;
    if (const PhonebookFileError why = FindTarget(path, target); why != PhonebookFileError::kNone) {
        return why;
    }
    const int folder = target.folder.get();
    if (target.exists) {
        if (const PhonebookFileError why = CheckReplaceable(folder, target.leaf, target.st);
            why != PhonebookFileError::kNone) {
            return why;
        }
    }
    // The new copy is made beside the old one: the folder must take it.
    if (::faccessat(folder, ".", W_OK | X_OK, AT_EACCESS) != 0) {
        return ErrorOf(errno);
    }
    return PhonebookFileError::kNone;
}

std::vector<uint8_t> PhonebookFileBytes() {
    const size_t tableSize = sizeof(PhonebookEntry) * static_cast<size_t>(PhonebookSlots());
    std::vector<uint8_t> bytes(sizeof kFileHead + tableSize);
    std::memcpy(bytes.data(), kFileHead, sizeof kFileHead);
    if (tableSize > 0) {
        std::memcpy(bytes.data() + sizeof kFileHead, PhonebookTable, tableSize);
    }
    return bytes;
}

std::optional<PhonebookFileContents> PhonebookFileContentsOf(const std::vector<uint8_t>& bytes,
                                                             PhonebookFileError* error) {
    if (bytes.size() < kPhonebookFileHeadSize ||
        std::memcmp(bytes.data(), kMagic, kMagicSize) != 0) {
        Fail(PhonebookFileError::kNotPhonebook, error);
        return std::nullopt;
    }
    PhonebookFileContents contents;
    contents.table.assign(bytes.begin() + kPhonebookFileHeadSize, bytes.end());
    if (error) {
        *error = PhonebookFileError::kNone;
    }
    return contents;
}

std::optional<PhonebookFileContents> ReadPhonebookFileContents(const std::string& path,
                                                               PhonebookFileError* error) {
    const int n = PhonebookSlots();
    if (n == 0) {
        Fail(PhonebookFileError::kNoTable, error);
        return std::nullopt;
    }
    platform::OpenFileError openError = platform::OpenFileError::kNone;
    const FileDescriptor file = platform::OpenRegularFile(path, &openError);
    if (!file) {
        switch (openError) {
        case platform::OpenFileError::kMissing:
            Fail(PhonebookFileError::kMissing, error);
            return std::nullopt;
        case platform::OpenFileError::kDenied:
            Fail(PhonebookFileError::kDenied, error);
            return std::nullopt;
        case platform::OpenFileError::kNotRegular:
            Fail(PhonebookFileError::kNotRegular, error);
            return std::nullopt;
        case platform::OpenFileError::kNone:
        case platform::OpenFileError::kOther:
            break;
        }
        Fail(PhonebookFileError::kFailed, error);
        return std::nullopt;
    }
    uint8_t head[kPhonebookFileHeadSize] = {};
    const long gotHead = platform::ReadFully(file.get(), head, sizeof head);
    if (gotHead < 0) {
        Fail(PhonebookFileError::kFailed, error);
        return std::nullopt;
    }
    if (gotHead != sizeof head || std::memcmp(head, kMagic, kMagicSize) != 0) {
        Fail(PhonebookFileError::kNotPhonebook, error);
        return std::nullopt;
    }
    // Read whole before touching the table, so that a read error leaves it
    // as it was.
    const size_t tableSize = sizeof(PhonebookEntry) * static_cast<size_t>(n);
    PhonebookFileContents contents;
    try {
        contents.table.resize(tableSize);
    } catch (const std::bad_alloc&) {
        Fail(PhonebookFileError::kFailed, error);
        return std::nullopt;
    }
    const long got = platform::ReadFully(file.get(), contents.table.data(), tableSize);
    if (got < 0) {
        Fail(PhonebookFileError::kFailed, error);
        return std::nullopt;
    }
    contents.table.resize(static_cast<size_t>(got));
    if (error) {
        *error = PhonebookFileError::kNone;
    }
    return contents;
}

int PhonebookFileContents::wholeSlots() const {
    return static_cast<int>(table.size() / sizeof(PhonebookEntry));
}

int PhonebookFileContents::partialSlotBytes() const {
    return static_cast<int>(table.size() % sizeof(PhonebookEntry));
}

int ReadPhonebookFile(const std::string& path, PhonebookFileError* error) {
    const std::optional<PhonebookFileContents> contents = ReadPhonebookFileContents(path, error);
    if (!contents) {
        return 0;
    }
    // A short file fills only the bytes it has.
    std::memcpy(PhonebookTable, contents->table.data(), contents->table.size());
    return 1;
}

int LoadWholeSlots(const PhonebookFileContents& contents) {
    const int slots = std::min(contents.wholeSlots(), PhonebookSlots());
    int changed = 0;
    for (int i = 0; i < slots; ++i) {
        const uint8_t* slot = contents.table.data() + sizeof(PhonebookEntry) * i;
        if (std::memcmp(&PhonebookTable[i], slot, sizeof(PhonebookEntry)) != 0) {
            std::memcpy(&PhonebookTable[i], slot, sizeof(PhonebookEntry));
            ++changed;
        }
    }
    return changed;
}
