// The About dialog: its size from the picture, the OK button's place, the
// four text lines over the picture, texts from the language file.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include "shell/CAbout.h"
#include "support/ui/qt_window_fixture.h"

namespace {

using AboutTest = WindowTest;

// Columns of a band of rows that differ from the picture under them.
QRect InkBox(const QImage& drawn, const QImage& picture, int top, int bottom) {
    QRect box;
    for (int y = top; y <= bottom; ++y) {
        for (int x = 0; x < drawn.width(); ++x) {
            const QPoint p(x, y);
            const QPoint q = p - QPoint(10, 10);
            const bool onPicture = picture.rect().contains(q);
            if (onPicture && drawn.pixel(p) != picture.pixel(q)) {
                box |= QRect(p, QSize(1, 1));
            }
        }
    }
    return box;
}

TEST_F(AboutTest, SizeFollowsThePictureAndOkIsCentredBelowIt) {
    CAbout about;
    EXPECT_EQ(about.Picture().size(), QSize(440, 330));
    // 465 wide and 400 tall below the window manager's caption.
    EXPECT_EQ(about.size(), QSize(465, 400));
    const QRect ok = about.OkButton()->geometry();
    EXPECT_EQ(ok.left(), (465 - ok.width()) / 2);
    EXPECT_EQ(ok.top(), 330 + ok.height());
    EXPECT_LE(ok.bottom(), about.height());
    EXPECT_TRUE(about.OkButton()->isDefault());

    EXPECT_EQ(CAbout::TextLineRect(0), QRect(QPoint(20, 170), QPoint(429, 209)));
    EXPECT_EQ(CAbout::TextLineRect(1), QRect(QPoint(20, 190), QPoint(429, 229)));
    EXPECT_EQ(CAbout::TextLineRect(2), QRect(QPoint(20, 210), QPoint(429, 249)));
    EXPECT_EQ(CAbout::TextLineRect(3), QRect(QPoint(20, 230), QPoint(429, 269)));
    EXPECT_TRUE(CAbout::TextLineRect(4).isNull());
}

TEST_F(AboutTest, TextsComeFromTheLanguageFileAndMissingOnesAreEmpty) {
    {
        CAbout about;
        EXPECT_EQ(about.windowTitle(), "About");
        EXPECT_EQ(about.OkButton()->text(), "OK");
    }
    UseLanguage(LanguageFileText("en", {"ABOUT"}));
    CAbout about;
    EXPECT_EQ(about.windowTitle(), "");
    EXPECT_EQ(about.OkButton()->text(), "");
}

TEST_F(AboutTest, FourLinesAreDrawnRightAlignedOverThePicture) {
    UseLanguage("[COMMON]\nIDS_PRODUCT_NAME=WWWWWWWW\nIDS_VERSION_NO=i\n"
                "IDS_COPYRIGHT1=MMMM\nIDS_COPYRIGHT2=\n");
    CAbout about;
    const QImage picture = about.Picture().toImage().convertToFormat(QImage::Format_RGB32);
    QImage drawn(about.size(), QImage::Format_RGB32);
    drawn.fill(Qt::white);
    about.render(&drawn);

    // The picture at 10,10 in its full size (outside the text band).
    EXPECT_EQ(drawn.pixel(10, 10), picture.pixel(0, 0));
    EXPECT_EQ(drawn.pixel(449, 339), picture.pixel(439, 329));
    EXPECT_EQ(drawn.pixel(230, 60), picture.pixel(220, 50));

    // Each line starts at its rectangle's top and ends at x 430; lines are
    // 20 pixels apart; the fourth is empty and leaves the picture alone.
    const int lineHeight = QFontMetrics(about.TextFont()).height();
    const QRect first = InkBox(drawn, picture, 170, 170 + lineHeight - 1);
    const QRect second = InkBox(drawn, picture, 190, 190 + std::min(lineHeight, 20) - 1);
    const QRect third = InkBox(drawn, picture, 210, 210 + std::min(lineHeight, 20) - 1);
    const QRect fourth = InkBox(drawn, picture, 230 + lineHeight, 269);
    ASSERT_FALSE(first.isNull());
    ASSERT_FALSE(second.isNull());
    ASSERT_FALSE(third.isNull());
    for (const QRect& line : {first, second, third}) {
        EXPECT_LE(line.right(), 429);
        EXPECT_GE(line.right(), 420);
    }
    EXPECT_GT(first.width(), 4 * second.width()); // "WWWWWWWW" against "i"
    EXPECT_GE(first.top(), 170);
    EXPECT_LT(first.top(), 170 + lineHeight / 2);
    EXPECT_TRUE(fourth.isNull());
}

TEST(DrawBitmapTest, CopiesTheWholeBitmapOrAPartAndRefusesMissingOnes) {
    QPixmap bitmap(4, 3);
    bitmap.fill(Qt::red);
    QImage target(10, 10, QImage::Format_RGB32);
    target.fill(Qt::white);
    {
        QPainter p(&target);
        EXPECT_EQ(DrawBitmap(&p, 1, 2, -1, -1, &bitmap), 1);
        EXPECT_EQ(DrawBitmap(&p, 6, 6, 2, 100, &bitmap), 1);
        EXPECT_EQ(DrawBitmap(&p, 0, 0, -1, -1, nullptr), 0);
        QPixmap none;
        EXPECT_EQ(DrawBitmap(&p, 0, 0, -1, -1, &none), 0);
    }
    EXPECT_EQ(DrawBitmap(nullptr, 0, 0, -1, -1, &bitmap), 0);
    EXPECT_EQ(target.pixelColor(1, 2), QColor(Qt::red));
    EXPECT_EQ(target.pixelColor(4, 4), QColor(Qt::red));
    EXPECT_EQ(target.pixelColor(5, 4), QColor(Qt::white));
    EXPECT_EQ(target.pixelColor(4, 5), QColor(Qt::white));
    // Width 2, height limited to the bitmap's 3.
    EXPECT_EQ(target.pixelColor(7, 8), QColor(Qt::red));
    EXPECT_EQ(target.pixelColor(8, 8), QColor(Qt::white));
    EXPECT_EQ(target.pixelColor(7, 9), QColor(Qt::white));
}

} // namespace
