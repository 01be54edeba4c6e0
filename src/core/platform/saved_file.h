#pragma once
#include <cstdint>
#include <span>
#include <string>

// Files the user saves (phonebook files, settings files, exported address
// books) are replaced whole: a complete new copy is written and synced beside
// the old one, which it then takes the place of, so that a crash or a full
// disk leaves the old file or the new one, never half of either.

namespace platform {

enum class SaveFileError {
    kNone,
    kMissing,    // no such folder
    kDenied,     // the user may not change the file or its folder
    kNotRegular, // a folder, FIFO, device or socket
    kHardLinked, // the file has more than one name
    kUnsafeLink, // symbolic links that loop, or one another user planted
    kFailed,     // anything else: the disk, a write error
};

// Writes bytes as the file path names. A symbolic link is followed to the file
// it finally names; the new copy gets the old file's mode and, where the
// system allows, owner; a new file follows the umask. tag goes into the
// temporary name (".tag-….tmp"). On failure the old file is untouched.
SaveFileError SaveFile(const std::string& path, std::span<const uint8_t> bytes,
                       const char* tag = "save");

// Whether SaveFile could replace or create path, checked without writing.
SaveFileError CheckSaveTarget(const std::string& path);

} // namespace platform
