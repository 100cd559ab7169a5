#include "app-options/OptionsTesting.h"

namespace options_testing {

const pictavo::ConversionEngine& standardEngine() {
    static const pictavo::ConversionEngine engine(pictavo::DecoderRegistry::standard(),
                                                  pictavo::EncoderRegistry::standard(),
                                                  pictavo::SourceOptimiserRegistry::standard());
    return engine;
}

void settle() {
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

void click(QWidget* widget) {
    QWindow* window = widget->window()->windowHandle();
    const QPoint at = widget->mapTo(widget->window(), widget->rect().center());
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

void typeKey(QWidget* widget, Qt::Key key) {
    QTest::keyClick(widget->window()->windowHandle(), key);
    settle();
}

} // namespace options_testing
