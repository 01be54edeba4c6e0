#pragma once
// The About dialog: the About picture with four lines of text over its lower
// part (product name, version, two more lines) and OK.

#include <QDialog>
#include <QFont>
#include <QPainter>
#include <QPixmap>

class QPushButton;

class CAbout : public QDialog {
    Q_OBJECT
  public:
    explicit CAbout(QWidget* parent = nullptr);

    QPushButton* OkButton() const { return ok_; }
    const QPixmap& Picture() const { return picture_; }
    const QFont& TextFont() const { return font_; }
    // The client rectangle of text line 0..3 (product name, version, two more).
    static QRect TextLineRect(int line);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void OnInitDialog();

    QPushButton* ok_ = nullptr;
    QFont font_;
    QPixmap picture_;
};

// Copies a bitmap (or its top-left width x height part; -1 for its full
// width or height, larger values are limited to it) to (x, y) of the target
// with the given composition. 1 on success, 0 when the target or the bitmap
// is missing.
int DrawBitmap(QPainter* target, int x, int y, int width, int height, const QPixmap* bitmap,
               QPainter::CompositionMode mode = QPainter::CompositionMode_Source);
