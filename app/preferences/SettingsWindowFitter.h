#pragma once
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <optional>

class QScreen;
class QWidget;

namespace pictavo {

// Watches the settings window: tells how tall its content may be on the window's screen,
// and keeps the window vertically on that screen without fighting a drag in progress. On
// Wayland a window cannot place itself, so there it only tells the height.
class SettingsWindowFitter : public QObject {
    Q_OBJECT

public:
    using AvailableDidChange = std::function<void(std::optional<int>)>;

    SettingsWindowFitter(QWidget& window, AvailableDidChange availableDidChange);

    // Reports the room and moves the window when it is misplaced and no drag runs.
    void refit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watchScreen(QScreen* screen);
    void settleThenRefit();

    QWidget& window_;
    AvailableDidChange availableDidChange_;
    QPointer<QScreen> screen_;
    // A window manager drag shows no pressed button to the application, so a fit waits
    // for a quiet spell without moves and resizes as well.
    QTimer quiet_;
    bool canPlaceWindows_;
};

} // namespace pictavo
