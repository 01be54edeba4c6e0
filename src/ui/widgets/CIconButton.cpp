#include "widgets/CIconButton.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include "desktop/qt_resources.h"

namespace {

constexpr int kMarginX = 3;
constexpr int kMarginY = 3;

struct Colours {
    QColor inBack, inText, outBack, outText, focusBack, focusText;
    QColor highlight, light, darkShadow, shadow;
};

Colours ReadPalette(const QPalette& pal) {
    Colours c;
    // Every pair is the button face and the button text of the desktop.
    c.inBack = c.outBack = c.focusBack = pal.color(QPalette::Active, QPalette::Button);
    c.inText = c.outText = c.focusText = pal.color(QPalette::Active, QPalette::ButtonText);
    c.highlight = pal.color(QPalette::Active, QPalette::Light);
    c.light = pal.color(QPalette::Active, QPalette::Midlight);
    c.darkShadow = pal.color(QPalette::Active, QPalette::Shadow);
    c.shadow = pal.color(QPalette::Active, QPalette::Dark);
    return c;
}

// Top and left lines in one colour, bottom and right in another.
void Edge(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    p.setPen(topLeft);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(bottomRight);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

} // namespace

CIconButton::CIconButton(QWidget* parent) : CIconButton(QString(), parent) {}

CIconButton::CIconButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CIconButton::SetIcon(int iconId) {
    iconId_ = iconId;
    SetIcon(LoadAppIcon(iconId), QSize(32, 32));
    iconId_ = iconId;
}

void CIconButton::SetIcon(const QIcon& icon, QSize size) {
    icon_ = icon;
    iconSize_ = icon.isNull() ? QSize() : size;
    iconId_ = 0;
    updateGeometry();
    update();
}

void CIconButton::SetFlat(bool flat, bool repaint) {
    flat_ = flat;
    if (!flat_) {
        hover_ = false;
    }
    if (repaint) {
        update();
    }
}

void CIconButton::SetHover(bool hover) {
    if (hover == hover_) {
        return;
    }
    hover_ = hover;
    update();
}

CIconButton::Look CIconButton::CurrentLook() const {
    Look look;
    const bool pressed = isDown();
    const bool focused = hasFocus();
    look.disabled = !isEnabled();
    if (!flat_ && (focused || isDefault())) {
        look.blackFrame = true;
    }
    if (!flat_) {
        look.border = pressed ? Border::PressedFrame : Border::Bevel;
    } else if (pressed) {
        look.border = Border::SunkenEdge;
    } else if (hover_) {
        look.border = Border::RaisedEdge;
    }
    look.focusRect = !flat_ && focused;
    // A flat button must still show where the keyboard is.
    look.focusFrame = flat_ && focused;
    look.offset = pressed ? QPoint(1, 1) : QPoint(0, 0);
    return look;
}

void CIconButton::paintEvent(QPaintEvent*) {
    const Colours c = ReadPalette(palette());
    const Look look = CurrentLook();
    const bool pressed = isDown();
    QPainter p(this);
    QRect r = rect();

    if (look.blackFrame) {
        p.setPen(Qt::black);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        r.adjust(1, 1, -1, -1);
    }

    const QColor back = (hover_ || pressed) ? c.inBack : hasFocus() ? c.focusBack : c.outBack;
    p.fillRect(r, back);

    switch (look.border) {
    case Border::PressedFrame:
        p.setPen(c.shadow);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        break;
    case Border::Bevel:
        Edge(p, r, c.highlight, c.darkShadow);
        Edge(p, r.adjusted(1, 1, -1, -1), c.light, c.shadow);
        break;
    case Border::SunkenEdge:
        Edge(p, r, c.shadow, c.highlight);
        break;
    case Border::RaisedEdge:
        Edge(p, r, c.highlight, c.shadow);
        break;
    case Border::None:
        break;
    }

    // Icon: beside the caption 3 pixels from the left, or centred without one.
    const bool hasCaption = !text().isEmpty();
    QRect captionArea = r;
    if (!icon_.isNull()) {
        const QPixmap pm = icon_.pixmap(iconSize_, look.disabled ? QIcon::Disabled : QIcon::Normal);
        const int iw = iconSize_.width();
        const int ih = iconSize_.height();
        const int ix = hasCaption ? r.left() + kMarginX : r.left() + (r.width() - iw) / 2;
        const int iy = r.top() + (r.height() - ih) / 2;
        p.drawPixmap(QPoint(ix, iy) + look.offset, pm);
        captionArea.setLeft(ix + iw);
    }

    if (hasCaption) {
        const int flags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
        const QRect area = captionArea.adjusted(0, kMarginY, 0, -kMarginY).translated(look.offset);
        p.setFont(font());
        if (look.disabled) {
            p.setPen(c.highlight);
            p.drawText(area.translated(1, 1), flags, text());
            p.setPen(c.shadow);
            p.drawText(area, flags, text());
        } else {
            p.setPen((hover_ || pressed) ? c.inText : c.outText);
            p.drawText(area, flags, text());
        }
    }

    if (look.focusFrame) {
        QStyleOptionFocusRect frame;
        frame.initFrom(this);
        frame.rect = rect().adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &p, this);
    }
    if (look.focusRect) {
        QPen pen(palette().color(QPalette::ButtonText), 1, Qt::DotLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(3, 3, -4, -4));
    }
}

QSize CIconButton::sizeHint() const {
    const QFontMetrics fm(font());
    const QSize textSize =
        text().isEmpty() ? QSize() : fm.size(Qt::TextShowMnemonic, text()) + QSize(16, 0);
    const int w = iconSize_.width() + 2 * kMarginX + textSize.width() + 4;
    const int h = std::max(iconSize_.height(), textSize.height()) + 2 * kMarginY + 4;
    return QSize(w, h);
}

void CIconButton::enterEvent(QEnterEvent* event) {
    if (flat_ && !(QApplication::mouseButtons() & Qt::LeftButton)) {
        SetHover(true);
    }
    QPushButton::enterEvent(event);
}

void CIconButton::leaveEvent(QEvent* event) {
    SetHover(false);
    QPushButton::leaveEvent(event);
}

void CIconButton::mouseMoveEvent(QMouseEvent* event) {
    if (rect().contains(event->position().toPoint())) {
        // A drag with the left button held does not start hover state.
        if (flat_ && !hover_ && !(event->buttons() & Qt::LeftButton)) {
            SetHover(true);
        }
    } else {
        SetHover(false);
    }
    QPushButton::mouseMoveEvent(event);
}

void CIconButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // Fast repeated clicks all count.
    mousePressEvent(event);
}

void CIconButton::focusOutEvent(QFocusEvent* event) {
    SetHover(false);
    QPushButton::focusOutEvent(event);
}

void CIconButton::changeEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::ActivationChange:
        if (!isActiveWindow()) {
            SetHover(false);
        }
        break;
    case QEvent::EnabledChange:
        if (!isEnabled()) {
            SetHover(false);
            if (hasFocus()) {
                // Hand the focus on to the next control, or to the parent.
                if (!focusNextChild() || hasFocus()) {
                    if (parentWidget() != nullptr) {
                        parentWidget()->setFocus();
                    }
                }
            }
        }
        break;
    default:
        break;
    }
    QPushButton::changeEvent(event);
}

bool CIconButton::event(QEvent* event) {
    if (event->type() == QEvent::UngrabMouse || event->type() == QEvent::WindowBlocked) {
        // The equivalent of cancel-mode: a grab taken away, a modal window opened.
        SetHover(false);
    }
    return QPushButton::event(event);
}
