// The windowed program's clock: its sleep lets the windows go on painting and
// answering (timers, posted work run) and still lasts its time. Real clock,
// kept short.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <thread>

#include "base/qt_windowed_clock.h"

namespace {

TEST(WindowedClockTest, SleepRunsTheEventLoopAndLastsItsTime) {
    WindowedClock clock;
    int fired = 0;
    QTimer::singleShot(0, [&fired] { ++fired; });
    QWidget window;
    window.resize(50, 50);
    window.show();
    const uint32_t tickBefore = clock.tick();
    QElapsedTimer timer;
    timer.start();
    clock.sleep(40);
    EXPECT_GE(timer.elapsed(), 39);
    EXPECT_EQ(fired, 1);
    EXPECT_GE(clock.tick() - tickBefore, 39u);
}

TEST(WindowedClockTest, SleepOffTheWindowThreadIsAPlainSleep) {
    WindowedClock clock;
    int fired = 0;
    QTimer::singleShot(0, [&fired] { ++fired; });
    std::thread other([&clock] { clock.sleep(20); });
    other.join();
    // The other thread did not run this thread's events.
    EXPECT_EQ(fired, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(fired, 1);
}

} // namespace
