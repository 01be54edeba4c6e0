#include "base/qt_windowed_clock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

// One user-interface thread, one nesting of waits: the automation socket
// reads it to tell a driver the program is inside an exchange.
int WindowedClock::waitDepth_ = 0;
bool WindowedClock::userInput_ = false;

void WindowedClock::sleep(uint32_t ms) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() != app->thread()) {
        SteadyClock::sleep(ms);
        return;
    }
    ++waitDepth_;
    struct Leave {
        ~Leave() { --waitDepth_; }
    } leave;
    const QEventLoop::ProcessEventsFlags flags =
        userInput_ ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents;
    if (FastWaits()) {
        ms = SkipMostOf(ms);
        if (ms == 0) {
            QCoreApplication::processEvents(flags);
            QThread::usleep(200);
            return;
        }
    }
    // Paint and answer the desktop while waiting; clicks and keys stay queued.
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(static_cast<int>(std::min<uint32_t>(ms, 0x7FFFFFFF)));
    loop.exec(flags);
}
