#pragma once
#include "app/design/DSAnnouncer.h"

#include <QApplication>
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

inline QPoint windowPoint(QWidget* widget, QPoint local) { return widget->mapTo(widget->window(), local); }

inline void press(QWidget* widget, Qt::MouseButton button = Qt::LeftButton, QPoint local = {-1, -1}) {
    if (local == QPoint(-1, -1)) local = widget->rect().center();
    QTest::mousePress(widget->window()->windowHandle(), button, {}, windowPoint(widget, local));
}

inline void release(QWidget* widget, Qt::MouseButton button = Qt::LeftButton, QPoint local = {-1, -1}) {
    if (local == QPoint(-1, -1)) local = widget->rect().center();
    QTest::mouseRelease(widget->window()->windowHandle(), button, {}, windowPoint(widget, local));
}

inline void click(QWidget* widget, Qt::MouseButton button = Qt::LeftButton, QPoint local = {-1, -1}) {
    press(widget, button, local);
    release(widget, button, local);
}

inline void typeKey(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(window->windowHandle(), key, modifiers);
}

inline void typeCharacter(QWidget* window, char character) { QTest::keyClick(window->windowHandle(), character); }

// Lets queued work (deferred activations and focus checks, deferred deletions) run.
inline void settle() {
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// What would have been spoken.
class RecordingAnnouncer : public DSAnnouncer {
public:
    void announce(QWidget*, const QString& text) override { spoken << text; }
    QStringList spoken;
};

} // namespace pictavo
