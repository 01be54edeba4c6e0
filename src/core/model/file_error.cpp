#include "model/file_error.h"

#include <utility>

FileError FileErrorOf(platform::SaveFileError error) {
    switch (error) {
    case platform::SaveFileError::kNone:
        return FileError::kNone;
    case platform::SaveFileError::kMissing:
        return FileError::kMissing;
    case platform::SaveFileError::kDenied:
        return FileError::kDenied;
    case platform::SaveFileError::kNotRegular:
        return FileError::kNotRegular;
    case platform::SaveFileError::kHardLinked:
        return FileError::kHardLinked;
    case platform::SaveFileError::kUnsafeLink:
        return FileError::kUnsafeLink;
    case platform::SaveFileError::kFailed:
        break;
    }
    return FileError::kFailed;
}

FileError FileErrorOf(platform::OpenFileError error) {
    switch (error) {
    case platform::OpenFileError::kNone:
        return FileError::kNone;
    case platform::OpenFileError::kMissing:
        return FileError::kMissing;
    case platform::OpenFileError::kDenied:
        return FileError::kDenied;
    case platform::OpenFileError::kNotRegular:
        return FileError::kNotRegular;
    case platform::OpenFileError::kOther:
        break;
    }
    return FileError::kFailed;
}

FileError ReadWholeFile(const std::string& path, size_t maxBytes, std::string& text) {
    platform::OpenFileError openError = platform::OpenFileError::kNone;
    const platform::FileDescriptor file = platform::OpenRegularFile(path, &openError);
    if (!file) {
        return FileErrorOf(openError);
    }
    // One byte more than a file may hold tells a file that is too long.
    std::string bytes(maxBytes + 1, '\0');
    const long got = platform::ReadFully(file.get(), bytes.data(), bytes.size());
    if (got < 0) {
        return FileError::kFailed;
    }
    if (static_cast<size_t>(got) > maxBytes) {
        return FileError::kWrongContent;
    }
    bytes.resize(static_cast<size_t>(got));
    text = std::move(bytes);
    return FileError::kNone;
}
