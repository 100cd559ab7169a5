#pragma once
#include <QMargins>
#include <QObject>
#include <QRect>

class QWidget;

namespace pictavo {

// Where a window's frame (title bar and borders with it) goes so that it lies inside the
// screen's available area: no larger than the area, no smaller than the window's minimum where
// the area has room for it, and moved in with its top-left corner winning, so the title bar
// stays within reach.
QRect fittedFrame(const QRect& frame, const QMargins& frameMargins, const QRect& available, const QSize& minimumSize);

// Keeps a top-level window's frame inside its screen's available area when the window manager
// frames it. A window sized to the available area before it is shown knows nothing of the
// title bar yet, and stands out below the screen by its height once framed. The fit is made
// only when the frame first shows or changes, never against the user moving the window. On a
// screen smaller than the window's minimum, the minimum gives way to the screen.
class FrameFit : public QObject {
    Q_OBJECT

public:
    explicit FrameFit(QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitIfFramedAnew();

    QWidget& window_;
    QMargins margins_;
    bool fitted_ = false;
};

} // namespace pictavo
