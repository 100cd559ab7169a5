#include "app-options/OptionsTesting.h"

namespace options_testing {

void settle() {
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

void click(QWidget* widget, QPoint local) {
    if (local == QPoint(-1, -1)) local = widget->rect().center();
    QWindow* window = widget->window()->windowHandle();
    const QPoint at = widget->mapTo(widget->window(), local);
    QTest::mousePress(window, Qt::LeftButton, {}, at);
    QTest::mouseRelease(window, Qt::LeftButton, {}, at);
    settle();
}

void typeText(QWidget* widget, const QString& text) {
    for (const QChar character : text) {
        QTest::keyClick(widget->window()->windowHandle(), character.toLatin1());
    }
    settle();
}

void typeKey(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(widget->window()->windowHandle(), key, modifiers);
    settle();
}

} // namespace options_testing
