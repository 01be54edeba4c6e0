#include "platform/regular_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

OpenFileError ErrorOf(int err) {
    switch (err) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
        return OpenFileError::kMissing;
    case EACCES:
    case EPERM:
        return OpenFileError::kDenied;
    case EISDIR:
    case ENXIO:  // a socket, or a device without its driver
    case ENODEV: // likewise
        return OpenFileError::kNotRegular;
    default:
        return OpenFileError::kOther;
    }
}

FileDescriptor Refuse(OpenFileError why, OpenFileError* error) {
    if (error) {
        *error = why;
    }
    return {};
}

} // namespace

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        reset();
        fd_ = other.release();
    }
    return *this;
}

int FileDescriptor::release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void FileDescriptor::reset() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

FileDescriptor OpenRegularFile(const std::string& path, OpenFileError* error) {
    if (path.empty() || path.find('\0') != std::string::npos) {
        return Refuse(OpenFileError::kMissing, error);
    }
    // Looked at first so that a device node is never opened at all: opening
    // some of them already acts on the hardware.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return Refuse(ErrorOf(errno), error);
    }
    if (!S_ISREG(st.st_mode)) {
        return Refuse(OpenFileError::kNotRegular, error);
    }
    // The name may be pointed elsewhere in between: non-blocking, so that a
    // FIFO put there cannot hold us, and checked again on what was opened.
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return Refuse(ErrorOf(errno), error);
    }
    FileDescriptor file(fd);
    if (::fstat(fd, &st) != 0) {
        return Refuse(OpenFileError::kOther, error);
    }
    if (!S_ISREG(st.st_mode)) {
        return Refuse(OpenFileError::kNotRegular, error);
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        return Refuse(OpenFileError::kOther, error);
    }
    if (error) {
        *error = OpenFileError::kNone;
    }
    return file;
}

long ReadFully(int fd, void* data, size_t count) {
    auto* bytes = static_cast<unsigned char*>(data);
    size_t got = 0;
    while (got < count) {
        const ssize_t n = ::read(fd, bytes + got, count - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return -1;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<size_t>(n);
    }
    return static_cast<long>(got);
}

} // namespace platform
