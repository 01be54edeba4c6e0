// Files people write (settings files, address books): read whole within a
// limit, UTF-8 with or without a byte order mark, lines with any line end.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "model/file_error.h"
#include "model/utf8_text.h"
#include "support/platform/temp_dir.h"

namespace {

TEST(UserFileText, ReadWholeWithinTheLimitAndNothingElse) {
    TempDir dir;
    std::string text = "unchanged";
    EXPECT_EQ(ReadWholeFile(dir.write("five", "12345"), 5, text), FileError::kNone);
    EXPECT_EQ(text, "12345");
    text = "unchanged";
    EXPECT_EQ(ReadWholeFile(dir.write("six", "123456"), 5, text), FileError::kWrongContent);
    EXPECT_EQ(ReadWholeFile(dir.file("none"), 5, text), FileError::kMissing);
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0); // no writer: a read would wait
    EXPECT_EQ(ReadWholeFile(dir.file("pipe"), 5, text), FileError::kNotRegular);
    EXPECT_EQ(ReadWholeFile(dir.path(), 5, text), FileError::kNotRegular);
    EXPECT_EQ(text, "unchanged");
}

TEST(UserFileText, Utf8WithoutItsMarkAndLinesWithAnyEnd) {
    EXPECT_EQ(Utf8FileText("\xEF\xBB\xBF"
                           "Caf\xC3\xA9",
                           8),
              std::optional<std::string_view>("Caf\xC3\xA9"));
    EXPECT_EQ(Utf8FileText("Caf\xC3\xA9!", 5), std::nullopt); // one byte too long
    for (const char* bad : {"Caf\xE9", "\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80"}) {
        EXPECT_EQ(Utf8FileText(bad, 100), std::nullopt) << bad;
    }
    EXPECT_EQ(TextLines("a\r\nb\nc\rd"), (std::vector<std::string_view>{"a", "b", "c", "d"}));
    EXPECT_EQ(TextLines("a\n\nb\n"), (std::vector<std::string_view>{"a", "", "b"}));
    EXPECT_TRUE(TextLines("").empty());
}

} // namespace
