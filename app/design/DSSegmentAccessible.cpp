#include "app/design/DSSegmentAccessible.h"

#include "app/design/DSAccessibleFactory.h"
#include "app/design/DSSegmentedControl.h"

#include <QAccessibleWidget>

namespace pictavo {

namespace {

class SegmentAccessible : public QAccessibleWidget {
public:
    explicit SegmentAccessible(DSSegmentButton* segment) : QAccessibleWidget(segment, QAccessible::RadioButton) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return segment()->text();
        const QWidget* control = segment()->parentWidget();
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
        state.checked = segment()->isChecked();
        return state;
    }

    QStringList actionNames() const override {
        QStringList names;
        if (segment()->isEnabled()) names << pressAction();
        return names << QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override {
        if (name == pressAction()) {
            if (segment()->isEnabled()) segment()->click();
            return;
        }
        QAccessibleWidget::doAction(name);
    }

private:
    DSSegmentButton* segment() const { return static_cast<DSSegmentButton*>(widget()); }
};

} // namespace

void installSegmentAccessibility() { installAccessibleFactory<DSSegmentButton, SegmentAccessible>(); }

} // namespace pictavo
