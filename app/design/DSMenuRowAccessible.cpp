#include "app/design/DSMenuRowAccessible.h"

#include "app/design/DSAccessibleFactory.h"
#include "app/design/DSMenuPanel.h"
#include "app/design/DSPressableAccessible.h"

namespace pictavo {

namespace {

class MenuRowAccessible : public DSPressableAccessible {
public:
    explicit MenuRowAccessible(DSMenuRowView* row) : DSPressableAccessible(row, QAccessible::Button) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectable = true;
        state.selected = static_cast<DSMenuRowView*>(button())->row().isSelected;
        return state;
    }
};

} // namespace

void installMenuRowAccessibility() { installAccessibleFactory<DSMenuRowView, MenuRowAccessible>(); }

} // namespace pictavo
