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
// system allows, owner; a new file gets newMode less the umask. tag goes into
// the temporary name (".tag-….tmp"). On failure the old file is untouched.
SaveFileError SaveFile(const std::string& path, std::span<const uint8_t> bytes,
                       const char* tag = "save", unsigned newMode = 0666);

// Whether SaveFile could replace or create path, checked without writing.
SaveFileError CheckSaveTarget(const std::string& path);

// Makes each missing folder of path, private to the user as the XDG folders
// are: true when path is a folder afterwards.
bool MakePrivateFolders(const std::string& path);

// Saves text whole in a file of the user's own settings folder, making the
// folders on the way; a new file is the user's alone.
bool SaveSettingFile(const std::string& path, const std::string& text);

} // namespace platform
