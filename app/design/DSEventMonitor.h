#pragma once
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QKeyEvent;

namespace pictavo {

// A mouse button going down or up, as the application receives it.
struct DSMouseEvent {
    Qt::MouseButton button = Qt::LeftButton;
    QPointF screenPosition;
    // The top-level window it was delivered to; none when it belongs to no widget window.
    QWidget* window = nullptr;
};

// A key going down, before any shortcut or widget has seen it.
struct DSKeyEvent {
    int key = 0;
    Qt::KeyboardModifiers modifiers;
    QString text;
    // The event's time in seconds.
    double timestamp = 0;
    // The top-level window whose focus the key goes to.
    QWidget* window = nullptr;
};

// The application's local event monitors: handlers that see every mouse-down, mouse-up and
// key-down of the application once, before its widgets and shortcuts do, and may swallow it.
// Handlers run newest first; the first that swallows an event ends its journey. One filter on the
// application object serves them all.
class DSEventMonitor : public QObject {
    Q_OBJECT

public:
    using Token = quint64;
    // A handler answers whether it swallows the event.
    using MouseHandler = std::function<bool(const DSMouseEvent&)>;
    using KeyHandler = std::function<bool(const DSKeyEvent&)>;

    static DSEventMonitor& shared();

    Token addMouseDownMonitor(MouseHandler handler);
    Token addMouseUpMonitor(MouseHandler handler);
    Token addKeyDownMonitor(KeyHandler handler);
    // Removing an unknown or removed token does nothing.
    void removeMonitor(Token token);
    bool hasMonitor(Token token) const;

    // The widget window an event delivered to this receiver belongs to, if any.
    static QWidget* widgetWindowOf(QObject* receiver);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Kind { mouseDown, mouseUp, keyDown };
    struct Monitor {
        Token token;
        Kind kind;
        MouseHandler mouse;
        KeyHandler key;
    };

    DSEventMonitor();
    Token add(Monitor monitor);
    bool dispatch(Kind kind, const std::function<bool(const Monitor&)>& ask);
    bool dispatchMouse(Kind kind, const DSMouseEvent& event);
    bool dispatchKey(const DSKeyEvent& event);
    bool filterKey(QObject* watched, QKeyEvent* event);

    std::vector<Monitor> monitors_;
    Token nextToken_ = 1;
    // The button of the last press, when a handler swallowed it.
    std::optional<Qt::MouseButton> swallowedPress_;
    // A key swallowed at its shortcut override is swallowed again when it arrives as a key press.
    struct SwallowedKey {
        int key;
        Qt::KeyboardModifiers modifiers;
        QString text;
    };
    std::optional<SwallowedKey> swallowedKey_;
    // The key was offered to the handlers at its shortcut override and is not offered again.
    bool keyOffered_ = false;
    // The events being delivered, so that their trips through parent widgets count once.
    const QEvent* overrideInDelivery_ = nullptr;
    QPointer<QObject> overrideReceiver_;
    const QEvent* keyPressInDelivery_ = nullptr;
};

} // namespace pictavo
