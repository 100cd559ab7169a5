#include "app/design/DSMenuRowAccessible.h"

#include "app/design/DSAccessibleFactory.h"
#include "app/design/DSMenuPanel.h"

#include <QAccessibleWidget>

namespace pictavo {

namespace {

class MenuRowAccessible : public QAccessibleWidget {
public:
    explicit MenuRowAccessible(DSMenuRowView* row) : QAccessibleWidget(row, QAccessible::Button) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectable = true;
        state.selected = row()->row().isSelected;
        return state;
    }

    QStringList actionNames() const override {
        QStringList names;
        if (row()->isEnabled()) names << pressAction();
        return names << QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override {
        if (name == pressAction()) {
            if (row()->isEnabled()) row()->click();
            return;
        }
        QAccessibleWidget::doAction(name);
    }

private:
    DSMenuRowView* row() const { return static_cast<DSMenuRowView*>(widget()); }
};

} // namespace

void installMenuRowAccessibility() { installAccessibleFactory<DSMenuRowView, MenuRowAccessible>(); }

} // namespace pictavo
