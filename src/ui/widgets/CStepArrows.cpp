#include "widgets/CStepArrows.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <algorithm>

namespace {

// As a held scroll bar arrow repeats.
constexpr int kRepeatDelayMs = 500;
constexpr int kRepeatMs = 50;

} // namespace

CStepArrows::CStepArrows(QWidget* parent) : QScrollBar(Qt::Vertical, parent) {}

QRect CStepArrows::ArrowRect(bool up) const {
    const int half = height() / 2;
    return up ? QRect(0, 0, width(), half) : QRect(0, half, width(), height() - half);
}

void CStepArrows::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (int i = 0; i < 2; ++i) {
        QStyleOptionButton button;
        button.initFrom(this);
        button.rect = ArrowRect(i == 0);
        button.state |= pressed_ == i ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawControl(QStyle::CE_PushButtonBevel, &button, &painter, this);
        QStyleOption arrow;
        arrow.initFrom(this);
        const int inset = std::max(2, button.rect.height() / 5);
        arrow.rect = button.rect.adjusted(inset, inset, -inset, -inset);
        style()->drawPrimitive(i == 0 ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown,
                               &arrow, &painter, this);
    }
}

void CStepArrows::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        event->ignore();
        return;
    }
    pressed_ = ArrowRect(true).contains(event->position().toPoint()) ? 0 : 1;
    const SliderAction action = pressed_ == 0 ? SliderSingleStepSub : SliderSingleStepAdd;
    update();
    triggerAction(action);
    setRepeatAction(action, kRepeatDelayMs, kRepeatMs);
    event->accept();
}

void CStepArrows::mouseMoveEvent(QMouseEvent* event) {
    // Off the button it was pressed on, the repeat stops.
    if (pressed_ >= 0 && !ArrowRect(pressed_ == 0).contains(event->position().toPoint())) {
        setRepeatAction(SliderNoAction);
    }
    event->accept();
}

void CStepArrows::mouseReleaseEvent(QMouseEvent* event) {
    setRepeatAction(SliderNoAction);
    pressed_ = -1;
    update();
    event->accept();
}
