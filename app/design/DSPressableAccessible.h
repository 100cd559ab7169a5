#pragma once
#include <QAbstractButton>
#include <QAccessibleWidget>

namespace pictavo {

// What screen readers meet of a button of the design system drawn by the application itself: a
// widget of the given role whose first action presses it while it is enabled. The menu row and
// the segment build their own roles and states on it.
class DSPressableAccessible : public QAccessibleWidget {
public:
    DSPressableAccessible(QAbstractButton* button, QAccessible::Role role) : QAccessibleWidget(button, role) {}

    QStringList actionNames() const override {
        QStringList names;
        if (button()->isEnabled()) names << pressAction();
        return names << QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override {
        if (name == pressAction()) {
            if (button()->isEnabled()) button()->click();
            return;
        }
        QAccessibleWidget::doAction(name);
    }

protected:
    QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
};

} // namespace pictavo
