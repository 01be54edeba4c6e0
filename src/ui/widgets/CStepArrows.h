#pragma once
// The up and down arrows beside a number field. Still a scroll bar to the
// code (actionTriggered: SliderSingleStepSub for up, SliderSingleStepAdd for
// down, repeating while held), but drawn and hit as two buttons that share
// its height, so each arrow is half the field's height and not a sliver
// between a slider's ends.

#include <QScrollBar>

class CStepArrows : public QScrollBar {
    Q_OBJECT
  public:
    explicit CStepArrows(QWidget* parent = nullptr);

    // The upper (up = true) or lower button.
    QRect ArrowRect(bool up) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    // -1 none, 0 up, 1 down.
    int pressed_ = -1;
};
