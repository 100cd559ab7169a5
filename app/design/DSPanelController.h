#pragma once
#include "app/design/DSPanelWindow.h"
#include "app/design/DSPopoverWindow.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

namespace pictavo {

// Builds, places and tears down the pop-over window of one trigger.
class DSPanelController : public QObject {
    Q_OBJECT

public:
    using ContentFactory = std::function<QWidget*()>;

    explicit DSPanelController(QWidget* anchor, QObject* parent = nullptr);
    ~DSPanelController() override;

    bool isOpen() const { return panel_.panel() != nullptr; }
    DSPopoverWindow* window() const { return qobject_cast<DSPopoverWindow*>(panel_.panel()); }
    DSPanelWindow& panelWindow() { return panel_; }

    // Opens the panel with new content from the factory, closing one still open without its
    // dismissal action; `onDismiss` runs when the user dismisses it. Nothing opens while the
    // anchor is gone or shows in no window.
    void show(const ContentFactory& makeContent, int width, std::function<void()> onDismiss);
    void close();
    // Places the open panel again for a new content height.
    void resize(int height);

private:
    QPointer<QWidget> anchor_;
    DSPanelWindow panel_;
};

} // namespace pictavo
