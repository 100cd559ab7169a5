#pragma once
#include "app/design/DSAnnouncer.h"

#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

namespace pictavo {

// A shown, active window with two triggers and a plain button. Input goes through the window
// system's path (to the window first), as a person's would.
struct TriggerWindow {
    QWidget window;
    QPushButton* first;
    QPushButton* second;
    QPushButton* plain;

    TriggerWindow()
        : first(new QPushButton(QStringLiteral("First"), &window)),
          second(new QPushButton(QStringLiteral("Second"), &window)),
          plain(new QPushButton(QStringLiteral("Plain"), &window)) {
        window.setGeometry(100, 100, 500, 300);
        first->setGeometry(20, 20, 100, 30);
        second->setGeometry(200, 20, 100, 30);
        plain->setGeometry(20, 240, 100, 30);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        activate(window);
    }

    static void activate(QWidget& widget) {
        widget.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&widget));
    }
};

inline QPoint centreInWindow(QWidget* widget) { return widget->mapTo(widget->window(), widget->rect().center()); }

inline void press(QWidget* widget, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mousePress(widget->window()->windowHandle(), button, {}, centreInWindow(widget));
}

inline void release(QWidget* widget, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseRelease(widget->window()->windowHandle(), button, {}, centreInWindow(widget));
}

inline void click(QWidget* widget, Qt::MouseButton button = Qt::LeftButton) {
    press(widget, button);
    release(widget, button);
}

inline void typeKey(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(window->windowHandle(), key, modifiers);
}

// The widget drawn on a transparent canvas, without a window background behind it.
inline QColor pixelAt(QWidget& widget, QPoint point) {
    QImage canvas(widget.size(), QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    widget.render(&canvas, QPoint(), QRegion(), QWidget::RenderFlags());
    return canvas.pixelColor(point);
}

// Lets queued work (deferred activations and focus checks, deferred deletions) run.
inline void settle() {
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// What would have been spoken: a subject's name and description, "back" for each return to
// the keyboard focus, and the news said.
class RecordingAnnouncer : public DSAnnouncer {
public:
    void announce(QWidget* subject) override {
        spoken << subject->accessibleName() + QStringLiteral(", ") + subject->accessibleDescription();
    }
    void returnToKeyboardFocus() override { spoken << QStringLiteral("back"); }
    void say(QWidget*, const QString& text) override { spoken << text; }
    QStringList spoken;
};

} // namespace pictavo
