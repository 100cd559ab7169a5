#include "app/design/DSSegmentAccessible.h"

#include "app/design/DSAccessibleFactory.h"
#include "app/design/DSPressableAccessible.h"
#include "app/design/DSSegmentedControl.h"

namespace pictavo {

namespace {

class SegmentAccessible : public DSPressableAccessible {
public:
    explicit SegmentAccessible(DSSegmentButton* segment) : DSPressableAccessible(segment, QAccessible::RadioButton) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return button()->text();
        const QWidget* control = button()->parentWidget();
        if (t == QAccessible::Description && control) {
            QStringList parts{control->accessibleName()};
            if (!control->toolTip().isEmpty()) parts << control->toolTip();
            parts.removeAll(QString());
            return parts.join(QStringLiteral(": "));
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = button()->isChecked();
        return state;
    }
};

} // namespace

void installSegmentAccessibility() { installAccessibleFactory<DSSegmentButton, SegmentAccessible>(); }

} // namespace pictavo
