#pragma once
#include <string>

// Files the user names (phonebook files, profiles, firmware images) may be
// anything: a FIFO with no writer, a device, a folder. Opening one of those
// must neither block nor touch a device, so they are turned away before any
// byte is read.

namespace platform {

enum class OpenFileError {
    kNone,
    kMissing,    // no such file, or a folder on the way is missing
    kDenied,     // no permission to read it
    kNotRegular, // a folder, FIFO, socket or device
    kOther,      // any other reason the system gave
};

// An open file descriptor, closed when the object goes.
class FileDescriptor {
  public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { reset(); }

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int release();
    void reset();

  private:
    int fd_ = -1;
};

// Opens path for reading, blocking reads and close-on-exec, when it names a
// regular file (after following symbolic links); otherwise returns no
// descriptor and says why in error.
FileDescriptor OpenRegularFile(const std::string& path, OpenFileError* error = nullptr);

// Reads until count bytes are in or the file ends; retries interrupted
// reads. Returns the bytes read, or -1 on a read error.
long ReadFully(int fd, void* data, size_t count);

} // namespace platform
