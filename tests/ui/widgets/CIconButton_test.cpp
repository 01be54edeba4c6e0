// The icon button: flat and raised looks, hover tracking, press, disable and
// the default frame, checked on its state and on the pixels it draws.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "base/qt_resources.h"
#include "widgets/CIconButton.h"

namespace {

using Border = CIconButton::Border;

class IconButtonTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.resize(300, 200);
        first = new CIconButton("First", &window);
        second = new CIconButton("Second", &window);
        after = new QLineEdit(&window);
        first->setGeometry(10, 10, 120, 44);
        second->setGeometry(10, 70, 120, 44);
        after->setGeometry(10, 130, 120, 24);
        first->SetIcon(IDI_OK);
        second->SetIcon(IDI_CANCEL);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QTest::mouseMove(&window, QPoint(250, 180)); // the pointer starts outside
    }

    static QRgb Pixel(QWidget* w, QPoint p) { return w->grab().toImage().pixel(p); }
    static QRgb Colour(const QWidget* w, QPalette::ColorRole role) {
        return w->palette().color(role).rgb();
    }

    QWidget window;
    CIconButton* first = nullptr;
    CIconButton* second = nullptr;
    QLineEdit* after = nullptr;
};

TEST_F(IconButtonTest, FlatButtonShowsABorderOnlyWhileThePointerIsOverIt) {
    EXPECT_TRUE(first->IsFlat());
    EXPECT_EQ(first->CurrentLook().border, Border::None);
    EXPECT_EQ(Pixel(first, {0, 0}), Colour(first, QPalette::Button));

    QTest::mouseMove(first, QPoint(60, 20));
    EXPECT_TRUE(first->IsHover());
    EXPECT_EQ(first->CurrentLook().border, Border::RaisedEdge);
    EXPECT_EQ(Pixel(first, {0, 0}), Colour(first, QPalette::Light));
    EXPECT_EQ(Pixel(first, {119, 43}), Colour(first, QPalette::Dark));

    QTest::mouseMove(&window, QPoint(250, 180));
    EXPECT_FALSE(first->IsHover());
    EXPECT_EQ(Pixel(first, {0, 0}), Colour(first, QPalette::Button));
}

TEST_F(IconButtonTest, HeldDownFlatButtonIsSunkenAndItsIconMovesByOnePixel) {
    QTest::mouseMove(first, QPoint(60, 20));
    const QImage up = first->grab().toImage();
    QTest::mousePress(first, Qt::LeftButton, {}, QPoint(60, 20));
    EXPECT_EQ(first->CurrentLook().border, Border::SunkenEdge);
    EXPECT_EQ(first->CurrentLook().offset, QPoint(1, 1));
    const QImage down = first->grab().toImage();
    EXPECT_EQ(down.pixel(0, 0), Colour(first, QPalette::Dark));
    EXPECT_EQ(down.pixel(119, 43), Colour(first, QPalette::Light));
    // The icon (3 pixels from the left, centred vertically) moved right and down.
    EXPECT_EQ(down.copy(4, 7, 32, 32), up.copy(3, 6, 32, 32));
    EXPECT_NE(down.copy(3, 6, 32, 32), up.copy(3, 6, 32, 32));

    QSignalSpy clicked(first, &QPushButton::clicked);
    QTest::mouseRelease(first, Qt::LeftButton, {}, QPoint(60, 20));
    EXPECT_EQ(clicked.count(), 1);
}

TEST_F(IconButtonTest, MovingQuicklyFromOneFlatButtonToAnotherLeavesOnlyTheSecondRaised) {
    QTest::mouseMove(first, QPoint(60, 20));
    QTest::mouseMove(second, QPoint(60, 20));
    EXPECT_FALSE(first->IsHover());
    EXPECT_TRUE(second->IsHover());
}

TEST_F(IconButtonTest, ADragWithTheLeftButtonHeldDoesNotStartHover) {
    QMouseEvent move(QEvent::MouseMove, QPointF(60, 20), first->mapToGlobal(QPointF(60, 20)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(first, &move);
    EXPECT_FALSE(first->IsHover());
}

TEST_F(IconButtonTest, RaisedDefaultButtonHasABlackFrameWithoutFocus) {
    second->SetFlat(false, true);
    second->setDefault(true);
    after->setFocus();
    ASSERT_FALSE(second->hasFocus());
    const CIconButton::Look look = second->CurrentLook();
    EXPECT_TRUE(look.blackFrame);
    EXPECT_EQ(look.border, Border::Bevel);
    EXPECT_FALSE(look.focusRect);
    const QImage image = second->grab().toImage();
    EXPECT_EQ(image.pixel(0, 0), QColor(Qt::black).rgb());
    EXPECT_EQ(image.pixel(119, 43), QColor(Qt::black).rgb());
    // Inside the frame: the bevel's outer top line in the highlight colour.
    EXPECT_EQ(image.pixel(5, 1), Colour(second, QPalette::Light));

    // A raised button never takes hover state.
    QTest::mouseMove(second, QPoint(60, 20));
    EXPECT_FALSE(second->IsHover());
}

TEST_F(IconButtonTest, FocusedRaisedButtonHasTheFocusRectangleAndTheFlatOneTheFocusFrame) {
    first->SetFlat(false, true);
    first->setFocus();
    ASSERT_TRUE(first->hasFocus());
    EXPECT_TRUE(first->CurrentLook().focusRect);
    EXPECT_TRUE(first->CurrentLook().blackFrame);
    first->SetFlat(true, true);
    EXPECT_FALSE(first->CurrentLook().focusRect);
    EXPECT_FALSE(first->CurrentLook().blackFrame);
    EXPECT_TRUE(first->CurrentLook().focusFrame);
    first->window()->setAttribute(Qt::WA_KeyboardFocusChange); // as after Tab
    const QImage focused = first->grab().toImage();
    after->setFocus();
    EXPECT_FALSE(first->CurrentLook().focusFrame);
    EXPECT_NE(first->grab().toImage(), focused); // the frame is drawn
}

TEST_F(IconButtonTest, DisabledButtonHandsTheFocusOnAndDrawsInTheDisabledStyle) {
    QTest::mouseMove(first, QPoint(60, 20));
    first->setFocus();
    ASSERT_TRUE(first->hasFocus());
    const QImage enabled = first->grab().toImage();

    first->setEnabled(false);
    EXPECT_FALSE(first->hasFocus());
    EXPECT_TRUE(second->hasFocus());
    EXPECT_FALSE(first->IsHover());
    EXPECT_TRUE(first->CurrentLook().disabled);
    const QImage disabled = first->grab().toImage();
    // The green check mark loses its colour.
    const QColor icon = disabled.pixelColor(3 + 16, 6 + 20);
    const QColor was = enabled.pixelColor(3 + 16, 6 + 20);
    EXPECT_GT(was.green() - was.red(), 60);
    EXPECT_LT(std::abs(icon.green() - icon.red()), 30);
}

TEST_F(IconButtonTest, DoubleClickCountsAsTwoClicks) {
    QSignalSpy clicked(first, &QPushButton::clicked);
    QSignalSpy pressed(first, &QPushButton::pressed);
    // What the desktop delivers for a double click: press, release, the
    // double-click event (in place of the second press), release.
    QTest::mouseClick(first, Qt::LeftButton, {}, QPoint(60, 20));
    QTest::mouseDClick(first, Qt::LeftButton, {}, QPoint(60, 20));
    EXPECT_TRUE(first->isDown());
    QTest::mouseRelease(first, Qt::LeftButton, {}, QPoint(60, 20));
    EXPECT_EQ(pressed.count(), 2);
    EXPECT_EQ(clicked.count(), 2);
}

TEST_F(IconButtonTest, IconWithoutCaptionIsCentred) {
    auto* bare = new CIconButton(&window);
    bare->setGeometry(150, 10, 100, 44);
    bare->SetIcon(IDI_CANCEL);
    bare->show();
    const QImage image = bare->grab().toImage();
    // The red cross's centre is the button's centre.
    const QColor centre = image.pixelColor(50, 22);
    EXPECT_GT(centre.red() - centre.green(), 80);
    EXPECT_EQ(image.pixel(10, 22), Colour(bare, QPalette::Button));
}

} // namespace
