#include "support/ui/qt_window_fixture.h"

#include <QApplication>
#include <QTimer>

namespace {

void WhenModalOpensTry(std::function<void(QWidget*)> answer, int triesLeft) {
    QTimer::singleShot(triesLeft > 900 ? 0 : 5, [answer, triesLeft] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            answer(modal);
        } else if (triesLeft > 0) {
            WhenModalOpensTry(answer, triesLeft - 1);
        }
    });
}

} // namespace

void WhenModalOpens(std::function<void(QWidget*)> answer) {
    WhenModalOpensTry(answer, 1000);
}
