// The step arrows beside a number field: each arrow is half the control, a
// click on it is one step that way, and a disabled control steps nothing.
#include <gtest/gtest.h>

#include <QTest>
#include <vector>

#include "widgets/CStepArrows.h"

namespace {

TEST(StepArrowsTest, EachArrowIsHalfTheControlAndAClickStepsOnce) {
    CStepArrows arrows;
    arrows.resize(17, 22);
    arrows.show();
    EXPECT_EQ(arrows.ArrowRect(true), QRect(0, 0, 17, 11));
    EXPECT_EQ(arrows.ArrowRect(false), QRect(0, 11, 17, 11));

    std::vector<int> actions;
    QObject::connect(&arrows, &QAbstractSlider::actionTriggered,
                     [&actions](int action) { actions.push_back(action); });
    QTest::mouseClick(&arrows, Qt::LeftButton, {}, QPoint(8, 1));
    QTest::mouseClick(&arrows, Qt::LeftButton, {}, QPoint(8, 10));
    QTest::mouseClick(&arrows, Qt::LeftButton, {}, QPoint(8, 12));
    QTest::mouseClick(&arrows, Qt::RightButton, {}, QPoint(8, 12));
    EXPECT_EQ(actions, (std::vector<int>{QAbstractSlider::SliderSingleStepSub,
                                         QAbstractSlider::SliderSingleStepSub,
                                         QAbstractSlider::SliderSingleStepAdd}));

    arrows.setEnabled(false);
    QTest::mouseClick(&arrows, Qt::LeftButton, {}, QPoint(8, 3));
    EXPECT_EQ(actions.size(), 3u);
}

TEST(StepArrowsTest, BothArrowsAreDrawn) {
    CStepArrows arrows;
    arrows.resize(17, 22);
    QImage image(arrows.size(), QImage::Format_ARGB32);
    image.fill(Qt::magenta);
    arrows.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    // Something other than the fill in the middle of each half.
    for (int y : {5, 16}) {
        bool painted = false;
        for (int x = 0; x < image.width(); ++x) {
            painted = painted || image.pixelColor(x, y) != QColor(Qt::magenta);
        }
        EXPECT_TRUE(painted) << y;
    }
}

} // namespace
