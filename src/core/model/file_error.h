#pragma once
#include <cstddef>
#include <string>

#include "platform/regular_file.h"
#include "platform/saved_file.h"

// Why a file the user named (phonebook file, settings file, address book) was
// not read or saved.
enum class FileError {
    kNone,
    kMissing,      // no such file (read) or folder (save)
    kDenied,       // the user may not read it, or not change it or its folder
    kNotRegular,   // a folder, FIFO, device or socket
    kHardLinked,   // save: the file has more than one name
    kUnsafeLink,   // save: symbolic links that loop, or one another user planted
    kWrongContent, // read: not a file of the kind asked for (head, length, text)
    kProblems,     // read: lines refused (the reader lists them); nothing changed
    kNoTable,      // no phonebook in memory
    kFailed,       // anything else: the disk, a read or write error
};

FileError FileErrorOf(platform::SaveFileError error);
FileError FileErrorOf(platform::OpenFileError error);

// Reads a regular file whole into text: kWrongContent when it holds more than
// maxBytes; text is left as it was unless kNone.
FileError ReadWholeFile(const std::string& path, size_t maxBytes, std::string& text);
