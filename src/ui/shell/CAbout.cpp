#include "shell/CAbout.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

#include "desktop/qt_resources.h"
#include "model/lang_text.h"
#include "templates/main_template.h"
#include "widgets/qt_dialog_builder.h"

namespace {

QString Lang(const char* section, const char* key) {
    return QString::fromUtf8(GetLangString(section, key));
}

struct TextLine {
    const char* key;
    QRect rect; // client pixels
};

// left, top, right, bottom: 20,170,430,210 and three more, 20 pixels apart.
const TextLine kLines[] = {
    {"IDS_PRODUCT_NAME", QRect(QPoint(20, 170), QPoint(429, 209))},
    {"IDS_VERSION_NO", QRect(QPoint(20, 190), QPoint(429, 229))},
    {"IDS_COPYRIGHT1", QRect(QPoint(20, 210), QPoint(429, 249))},
    {"IDS_COPYRIGHT2", QRect(QPoint(20, 230), QPoint(429, 269))},
};

} // namespace

CAbout::CAbout(QWidget* parent) : QDialog(parent) {
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    dlg::BuildDialog(this, aboutTemplate);
    setWindowTitle(QString::fromStdString(aboutTemplate.caption));
    ok_ = dlg::FindControl<QPushButton>(this, 1);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    OnInitDialog();
}

void CAbout::OnInitDialog() {
    // The text font: the sans face of the old dialogs at the dialog font's
    // size, normal weight.
    font_ = dlg::DialogFont();
    font_.setFamily(QStringLiteral("MS Sans Serif"));
    font_.setStyleHint(QFont::SansSerif);
    font_.setWeight(QFont::Normal);
    font_.setItalic(false);
    font_.setUnderline(false);
    font_.setStrikeOut(false);

    picture_ = LoadBitmap(IDB_ABOUT);
    const int W = picture_.width();
    const int H = picture_.height();

    // Outer size W + 25 by H + caption + 70: the caption is the window
    // manager's, the rest is this widget.
    setFixedSize(W + 25, H + 70);

    const QSize button = ok_->size();
    ok_->move((W + 25 - button.width()) / 2, H + button.height());

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        const QWidget* owner = parentWidget();
        const QPoint centre = owner != nullptr && owner->isVisible()
                                  ? owner->frameGeometry().center()
                                  : area.center();
        move(centre - QPoint(width() / 2, height() / 2));
    }

    setWindowTitle(Lang("ABOUT", "CAPTION"));
    ok_->setText(Lang("ABOUT", "IDOK"));
}

void CAbout::paintEvent(QPaintEvent*) {
    QPainter p(this);
    DrawBitmap(&p, 10, 10, -1, -1, &picture_, QPainter::CompositionMode_Source);
    p.setFont(font_);
    p.setPen(Qt::black);
    p.setBackgroundMode(Qt::TransparentMode);
    for (const auto& line : kLines) {
        p.drawText(line.rect, Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine,
                   Lang("COMMON", line.key));
    }
}

QRect CAbout::TextLineRect(int line) {
    return line >= 0 && line < 4 ? kLines[line].rect : QRect();
}

int DrawBitmap(QPainter* target, int x, int y, int width, int height, const QPixmap* bitmap,
               QPainter::CompositionMode mode) {
    if (target == nullptr || bitmap == nullptr || bitmap->isNull()) {
        return 0;
    }
    const int w = width == -1 ? bitmap->width() : std::min(width, bitmap->width());
    const int h = height == -1 ? bitmap->height() : std::min(height, bitmap->height());
    const QPainter::CompositionMode previous = target->compositionMode();
    target->setCompositionMode(mode);
    target->drawPixmap(x, y, *bitmap, 0, 0, w, h);
    target->setCompositionMode(previous);
    return 1;
}
