#include "desktop/qt_resources.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#ifdef FAXRCP_HAVE_SVG
#include <QSvgRenderer>
#endif

// The art is compiled into the (static) window library: register it before
// the first use, since nothing else would pull its object file in.
static void EnsureArt() {
    static const bool done = [] {
        Q_INIT_RESOURCE(art);
        return true;
    }();
    (void)done;
}

namespace {

QString ArtPath(int id) {
    switch (id) {
    case IDR_MAINFRAME:
    case IDI_EXIT:
    case IDI_HELP:
    case IDI_OK:
    case IDI_CANCEL:
        return QStringLiteral(":/art/icon%1.svg").arg(id);
    case IDB_ABOUT:
        return QStringLiteral(":/art/bitmap%1.svg").arg(id);
    default:
        return {};
    }
}

// Plain painted pictures for a build without Qt's SVG renderer.
void PaintStandIn(QPainter& p, int id, QSize size) {
    const QRectF r(0, 0, size.width(), size.height());
    p.setRenderHint(QPainter::Antialiasing);
    switch (id) {
    case IDI_OK: {
        QPainterPath path;
        path.moveTo(r.width() * 0.12, r.height() * 0.55);
        path.lineTo(r.width() * 0.40, r.height() * 0.82);
        path.lineTo(r.width() * 0.88, r.height() * 0.20);
        p.setPen(QPen(QColor(0x2f, 0xa3, 0x3c), size.width() / 6.0, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(path);
        break;
    }
    case IDI_CANCEL:
        p.setPen(QPen(QColor(0xd3, 0x32, 0x2c), size.width() / 6.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(r.topLeft() + QPointF(6, 6), r.bottomRight() - QPointF(6, 6));
        p.drawLine(r.topRight() + QPointF(-6, 6), r.bottomLeft() + QPointF(6, -6));
        break;
    case IDB_ABOUT: {
        QLinearGradient g(0, 0, 0, r.height());
        g.setColorAt(0, QColor(0x1d, 0x4f, 0x91));
        g.setColorAt(0.45, QColor(0x5b, 0x8f, 0xd0));
        g.setColorAt(0.46, QColor(0xee, 0xf3, 0xf9));
        g.setColorAt(1, Qt::white);
        p.fillRect(r, g);
        break;
    }
    default: {
        const QColor c = id == IDI_EXIT   ? QColor(0x6b, 0x4a, 0x2b)
                         : id == IDI_HELP ? QColor(0x2a, 0x5d, 0xb0)
                                          : QColor(0x59, 0x63, 0x6d);
        p.setBrush(c);
        p.setPen(Qt::black);
        p.drawRoundedRect(r.adjusted(3, 3, -3, -3), 4, 4);
        break;
    }
    }
}

// The picture of the art file at `path` at that size; standIn paints it when
// the file cannot be drawn.
template <class StandIn>
QImage Render(const QString& path, QSize size, QImage::Format format, StandIn standIn) {
    EnsureArt();
    if (path.isEmpty() || size.isEmpty()) {
        return {};
    }
    QImage image(size, format);
    image.fill(format == QImage::Format_RGB888 ? Qt::white : Qt::transparent);
    QPainter p(&image);
#ifdef FAXRCP_HAVE_SVG
    QSvgRenderer renderer(path);
    if (renderer.isValid()) {
        renderer.render(&p, QRectF(0, 0, size.width(), size.height()));
        return image;
    }
#endif
    standIn(p);
    return image;
}

QImage Render(int id, QSize size, QImage::Format format) {
    return Render(ArtPath(id), size, format, [&](QPainter& p) { PaintStandIn(p, id, size); });
}

} // namespace

QPixmap LoadIconPixmap(int id, QSize size) {
    if (id == IDB_ABOUT) {
        return {};
    }
    return QPixmap::fromImage(Render(id, size, QImage::Format_ARGB32_Premultiplied));
}

QIcon LoadAppIcon(int id) {
    QIcon icon;
    for (int side : {16, 20, 24, 32, 48, 64}) {
        const QPixmap pm = LoadIconPixmap(id, QSize(side, side));
        if (pm.isNull()) {
            return {};
        }
        icon.addPixmap(pm);
    }
    return icon;
}

QPixmap LoadBitmap(int id) {
    switch (id) {
    case IDB_ABOUT:
        return QPixmap::fromImage(Render(id, QSize(440, 330), QImage::Format_RGB888));
    default:
        return {};
    }
}

QPixmap LoadTabImage(const QString& pageName) {
    const QString path = QStringLiteral(":/art/tab-%1.svg").arg(pageName);
    if (!QFile::exists(path)) {
        return {};
    }
    // 24-bit; the mask colour marks the background.
    return QPixmap::fromImage(Render(path, QSize(20, 20), QImage::Format_RGB888, [](QPainter& p) {
        p.fillRect(QRectF(0, 0, 20, 20), QColor(0, 0, 255));
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(0x9a, 0xa4, 0xae));
        p.setPen(Qt::black);
        p.drawEllipse(QRectF(3, 3, 14, 14));
    }));
}
