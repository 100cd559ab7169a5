#pragma once
// For the Qt Widgets test programs only: the support library itself links no Qt.
#include <QApplication>
#include <QCoreApplication>
#include <QList>
#include <QStringList>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace support {

// From the first of the controls, which holds the focus, presses Tab round them all and then
// Shift+Tab back round, as a person would, to the window that has the keyboard. Every press must
// take the focus to the next control in turn, and `check` must find nothing wrong (an empty
// text) with where the focus went: how the control shows, for instance.
inline void expectTabCycle(const QList<QWidget*>& order, const std::function<QString(const QWidget*)>& check) {
    const auto walk = [&](Qt::KeyboardModifiers modifiers) {
        QList<QWidget*> visited;
        QStringList faults;
        for (qsizetype step = 0; step < order.size(); ++step) {
            QTest::keyClick(QApplication::focusWidget()->window()->windowHandle(), Qt::Key_Tab, modifiers);
            for (int round = 0; round < 3; ++round) QCoreApplication::processEvents();
            visited.append(QApplication::focusWidget());
            if (!visited.back()) break;
            if (const QString fault = check(visited.back()); !fault.isEmpty()) faults.append(fault);
        }
        return std::pair{visited, faults.join(QStringLiteral("; ")).toStdString()};
    };
    ASSERT_FALSE(order.isEmpty());
    QList<QWidget*> forward = order.mid(1);
    forward.append(order.front());
    const auto [tabbed, forwardFaults] = walk({});
    EXPECT_EQ(tabbed, forward);
    EXPECT_EQ(forwardFaults, "");
    const QList<QWidget*> backward(order.rbegin(), order.rend());
    const auto [backtabbed, backwardFaults] = walk(Qt::ShiftModifier);
    EXPECT_EQ(backtabbed, backward);
    EXPECT_EQ(backwardFaults, "");
}

} // namespace support
