#pragma once
#include "app/design/DSEventMonitor.h"
#include "app/design/DSPanelPlacement.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QSizeF>
#include <QWidget>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace pictavo {

// The owner of one floating panel shown beside its trigger: it places the panel on screen, keeps
// it beside the trigger when the trigger's window moves, and dismisses it on Escape, on a press
// of the left or right button anywhere else in the application, or when the focus leaves both
// the panel and the trigger's window. The panel's `contentsMargins` are room around what it
// shows (its shadow's), which placement leaves out. Main thread only.
class DSPanelWindow : public QObject {
    Q_OBJECT

public:
    explicit DSPanelWindow(QObject* parent = nullptr);
    ~DSPanelWindow() override;

    QWidget* panel() const { return panel_; }
    // Takes the panel; it is deleted when the panel closes.
    void setPanel(QWidget* panel) { panel_ = panel; }
    QWidget* anchor() const { return anchor_; }
    void setAnchor(QWidget* anchor) { anchor_ = anchor; }
    // The side of the last placement, preferred when the open panel is placed again.
    std::optional<DSPanelPlacement::Side> side() const { return side_; }
    void clearSide() { side_.reset(); }
    void setOnDismiss(std::function<void()> onDismiss) { onDismiss_ = std::move(onDismiss); }
    bool hasOnDismiss() const { return bool(onDismiss_); }

    // Puts the panel beside the anchor with that content size.
    void place(QWidget* panel, QWidget* anchor, double width, double height);
    // The content size of the last placement.
    QSizeF placedSize() const { return placedSize_; }
    void installMonitors();
    void removeMonitors();
    // The user's dismissal: closes the panel and runs the dismissal action.
    void dismiss();
    // Closes the panel; the dismissal action is dropped unrun.
    void close();
    // The trigger's window and the panel.
    std::pair<QWidget*, QWidget*> windows() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool handleMouseDown(const DSMouseEvent& event);
    bool handleKeyDown(const DSKeyEvent& event);
    void checkFocus();

    QPointer<QWidget> panel_;
    std::optional<DSPanelPlacement::Side> side_;
    QSizeF placedSize_;
    QPointer<QWidget> anchor_;
    // The trigger's window, followed while the panel is open.
    QPointer<QWidget> followed_;
    bool followPending_ = false;
    // The window with the focus, and the one that had it before, as the focus last moved.
    QPointer<QWidget> focusOwner_;
    QPointer<QWidget> previousFocusOwner_;
    std::optional<DSEventMonitor::Token> mouseMonitor_;
    std::optional<DSEventMonitor::Token> escapeMonitor_;
    std::vector<QMetaObject::Connection> focusObservers_;
    std::function<void()> onDismiss_;
};

} // namespace pictavo
