#pragma once
// For the Qt Widgets test programs only: the support library itself links no Qt.
#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace support {

// Empty when the focused control shows in `area`: all of it, with its section (the scrolled
// widget's child it is in) where that fits, else with the section's top where there is room.
inline QString whatHides(const QScrollArea* area, const QWidget* control) {
    const QWidget* section = control;
    while (section && section->parentWidget() != area->widget()) section = section->parentWidget();
    if (!section) return QStringLiteral("the focus left the view");
    const QRect view = area->viewport()->rect();
    const QRect shown(control->mapTo(area->viewport(), QPoint(0, 0)), control->size());
    const QRect whole(section->mapTo(area->viewport(), QPoint(0, 0)), section->size());
    const bool shows = view.contains(shown) && (whole.height() >= view.height() || view.contains(whole)) &&
                       (shown.bottom() - whole.top() >= view.height() || whole.top() >= 0);
    return shows ? QString() : QStringLiteral("%1 at y %2..%3 of its section at y %4..%5 in a view %6 high")
        .arg(control->metaObject()->className()).arg(shown.top()).arg(shown.bottom()).arg(whole.top())
        .arg(whole.bottom()).arg(view.height());
}

// From the first control, which holds the focus, Tab goes round them all in turn and Shift+Tab back, each in view.
inline void expectTabCycle(const QScrollArea* area, const QList<QWidget*>& order) {
    ASSERT_GT(area->verticalScrollBar()->maximum(), 0) << "the view is shorter than what it shows";
    ASSERT_EQ(QApplication::focusWidget(), order.front());
    const QList<QWidget*> backward(order.rbegin(), order.rend());
    for (const auto& [modifiers, expected] : {std::pair{Qt::NoModifier, order.mid(1) << order.front()},
                                             std::pair{Qt::ShiftModifier, backward}}) {
        QList<QWidget*> visited;
        QStringList faults;
        while (visited.size() < order.size() && QApplication::focusWidget()) {
            QTest::keyClick(QApplication::focusWidget()->window()->windowHandle(), Qt::Key_Tab, modifiers);
            for (int round = 0; round < 3; ++round) QCoreApplication::processEvents();
            visited.append(QApplication::focusWidget());
            if (visited.back()) faults.append(whatHides(area, visited.back()));
        }
        faults.removeAll(QString());
        EXPECT_EQ(visited, expected);
        EXPECT_EQ(faults.join(QStringLiteral("; ")).toStdString(), "");
    }
}

} // namespace support
