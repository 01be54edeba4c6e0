#pragma once
// A push button that draws itself: an icon beside its caption and, in the
// flat look (the default), a border only while the pointer is over it (a
// raised edge) or while it is held down (a sunken edge). The raised look has
// the 3D bevel, a black frame when focused or default, and a dotted focus
// rectangle. Clicks reach the dialog as from any QPushButton; a double click
// counts as a click.
//
//   auto* ok = dlg::FindControl<CIconButton>(this, 1);   // Kind::IconButton row
//   ok->SetIcon(130);                                     // resources/qt_resources.h ids
//   exitButton->SetIcon(121); exitButton->SetFlat(false, true);

#include <QIcon>
#include <QPushButton>

class CIconButton : public QPushButton {
    Q_OBJECT
  public:
    explicit CIconButton(QWidget* parent = nullptr);
    explicit CIconButton(const QString& text, QWidget* parent = nullptr);

    // Loads the program's icon resource `iconId` (32 x 32) and repaints.
    void SetIcon(int iconId);
    // Sets an icon directly (tests, or an icon from elsewhere).
    void SetIcon(const QIcon& icon, QSize size = QSize(32, 32));
    // Flat look on or off; repaints when asked.
    void SetFlat(bool flat, bool repaint = true);

    bool IsFlat() const { return flat_; }
    bool IsHover() const { return hover_; }
    int IconId() const { return iconId_; }

    // What a paint would draw, for tests and for the paint handler itself.
    enum class Border { None, RaisedEdge, SunkenEdge, Bevel, PressedFrame };
    struct Look {
        bool blackFrame = false; // 1-pixel black frame (raised: focused or default)
        Border border = Border::None;
        bool focusRect = false;  // dotted focus rectangle 3 pixels inside
        bool focusFrame = false; // flat look: the platform's focus frame
        bool disabled = false;   // icon and caption in the disabled style
        QPoint offset;           // (1,1) while pressed
    };
    Look CurrentLook() const;

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void SetHover(bool hover);

    QIcon icon_;
    QSize iconSize_;
    int iconId_ = 0;
    bool flat_ = true;
    bool hover_ = false;
};
