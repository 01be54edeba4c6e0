// Opening files the user names: only regular files, never blocking.
#include "platform/regular_file.h"
#include "support/platform/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace {

using platform::OpenFileError;

TEST(RegularFileTest, OnlyRegularFilesOpenAndThenForBlockingReads) {
    TempDir dir;
    const std::string file = dir.write("plain.ini", "0123456789");
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("pipe", dir.file("to-pipe").c_str()), 0);
    ASSERT_EQ(::symlink("plain.ini", dir.file("to-file").c_str()), 0);

    const std::pair<std::string, OpenFileError> cases[] = {
        {file, OpenFileError::kNone},
        {dir.file("to-file"), OpenFileError::kNone},
        {dir.file("absent"), OpenFileError::kMissing},
        {"", OpenFileError::kMissing},
        {file + "/below", OpenFileError::kMissing},
        {dir.path(), OpenFileError::kNotRegular},
        {fifo, OpenFileError::kNotRegular}, // no writer: a plain open would wait for one
        {dir.file("to-pipe"), OpenFileError::kNotRegular},
        {"/dev/null", OpenFileError::kNotRegular},
    };
    for (const auto& [path, expected] : cases) {
        SCOPED_TRACE(path);
        OpenFileError error = OpenFileError::kOther;
        const platform::FileDescriptor fd = platform::OpenRegularFile(path, &error);
        EXPECT_EQ(error, expected);
        EXPECT_EQ(static_cast<bool>(fd), expected == OpenFileError::kNone);
        if (fd) {
            EXPECT_EQ(::fcntl(fd.get(), F_GETFL) & (O_NONBLOCK | O_ACCMODE), O_RDONLY);
            EXPECT_EQ(::fcntl(fd.get(), F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
            char buffer[16] = {};
            EXPECT_EQ(platform::ReadFully(fd.get(), buffer, sizeof buffer), 10);
            EXPECT_STREQ(buffer, "0123456789");
        }
    }
    if (::geteuid() != 0) {
        ASSERT_EQ(::chmod(file.c_str(), 0), 0);
        OpenFileError error = OpenFileError::kNone;
        EXPECT_FALSE(platform::OpenRegularFile(file, &error));
        EXPECT_EQ(error, OpenFileError::kDenied);
    }
}

} // namespace
