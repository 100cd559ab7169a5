#pragma once
#include "app/design/DSCompositor.h"
#include "app/design/DSPanelSurface.h"

#include <QPointer>
#include <QWidget>

namespace pictavo {

class DSFocusScrollArea;

// The window of a pop-over panel: a short arrow on its top edge aimed at the trigger, above a
// rounded body holding the content, which scrolls when the window is shorter than it. Unlike a
// menu it takes the focus, so that fields inside it can be typed in. Arrow and body fill the
// window but for the shadow's margin (`contentsMargins`), which only a compositor shows.
class DSPopoverWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int arrowWidth = 20;
    static constexpr int arrowHeight = 9;
    static constexpr double cornerRadius = 12;

    // Takes the content, and its window title as its own. `arrowX` is where the arrow's left edge wants to be, from the window's
    // left edge; it stays at least 10 points inside either side. `composited` tells whether the
    // desktop shows the window's transparent pixels as such.
    DSPopoverWindow(QWidget* parentWindow, int width, double arrowX, QWidget* content,
                    bool composited = desktopCompositesWindows());

    QWidget* content() const { return content_; }
    // The height of arrow and body that shows all of the content.
    int fittingHeight() const;
    // From the left edge of the body.
    double arrowLeft() const;
    const DSPanelSurface& surface() const { return surface_; }
    // Puts the focus on the content's first control in reading order, so that a screen reader
    // starts there and the first Tab goes on from it.
    void focusFirstControl();

Q_SIGNALS:
    // The content asks for a new height.
    void fittingHeightChanged(int height);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void restyleContent();
    // Arrow and body, in the window's coordinates.
    QPainterPath shape() const;

    DSPanelSurface surface_;
    double arrowX_;
    DSFocusScrollArea* scrollArea_;
    QPointer<QWidget> content_;
    int lastFittingHeight_ = -1;
};

// The window flags of a floating panel that takes the focus.
Qt::WindowFlags focusablePanelFlags();

} // namespace pictavo
