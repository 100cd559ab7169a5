#pragma once
#include <QObject>
#include <QPointer>

#include <vector>

class QWidget;

namespace pictavo {

// A window that names where its keyboard goes when the control that had it before a panel is
// gone or disabled.
class KeyboardHome {
public:
    virtual ~KeyboardHome() = default;
    virtual QWidget* keyboardHome() const = 0;
};

// Every modal panel of the application (a file or folder panel, a question), however it was
// made and however it closes, hands the keyboard back to the window it came from, on the
// control that had it. The window manager may give the keyboard to no window once a panel has
// gone, or give it back while the panel still held it, so that Qt never hears of it and no
// widget shows or tells the focus; a panel's own code cannot be trusted to remember that.
// Main thread only.
class KeyboardHandBack : public QObject {
public:
    // From now on, for every panel of the application; once is enough.
    static void install();

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Origin {
        QPointer<QWidget> panel;
        QPointer<QWidget> window;
        QPointer<QWidget> focus;
    };

    using QObject::QObject;
    void remember(QWidget* panel);
    static void handBack(const Origin& origin);

    std::vector<Origin> open_;
};

} // namespace pictavo
