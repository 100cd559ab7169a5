#include "app/design/DSMenuRowAccessible.h"

#include "app/design/DSAccessibleFactory.h"
#include "app/design/DSMenuPanel.h"
#include "app/design/DSPressableAccessible.h"

namespace pictavo {

namespace {

class MenuRowAccessible : public DSPressableAccessible {
public:
    explicit MenuRowAccessible(DSMenuRowView* row) : DSPressableAccessible(row, QAccessible::MenuItem) {}

    // The highlighted row is the screen reader's focus while the trigger keeps the keyboard.
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        const DSMenuPanelRow& row = static_cast<DSMenuRowView*>(button())->row();
        state.focusable = true;
        state.focused = row.isHighlighted;
        state.selectable = true;
        state.selected = row.isSelected;
        return state;
    }
};

} // namespace

void installMenuRowAccessibility() { installAccessibleFactory<DSMenuRowView, MenuRowAccessible>(); }

} // namespace pictavo
