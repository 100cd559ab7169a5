#include "app/design/DSPickerAccessible.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>

namespace pictavo {

namespace {

constexpr const char* listWhileOpenProperty = "pictavoListOnlyWhileOpen";

class PickerAccessible : public QAccessibleWidget {
public:
    explicit PickerAccessible(QComboBox* picker) : QAccessibleWidget(picker, QAccessible::ComboBox) {}

    int childCount() const override { return isOpen() ? 1 : 0; }

    QAccessibleInterface* child(int index) const override {
        return index == 0 && isOpen() ? QAccessible::queryAccessibleInterface(picker()->view()) : nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        return isOpen() && child && child->object() == picker()->view() ? 0 : -1;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name || t == QAccessible::Value) return picker()->currentText();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.expanded = isOpen();
        return state;
    }

    QStringList actionNames() const override {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override {
        if (name == showMenuAction() || name == pressAction()) {
            picker()->showPopup();
        } else {
            QAccessibleWidget::doAction(name);
        }
    }

private:
    QComboBox* picker() const { return static_cast<QComboBox*>(widget()); }
    bool isOpen() const { return picker()->view() && picker()->view()->isVisible(); }
};

} // namespace

void showListOnlyWhileOpen(QComboBox* picker) {
    static const bool installed = [] {
        QAccessible::installFactory([](const QString&, QObject* object) -> QAccessibleInterface* {
            auto* picker = qobject_cast<QComboBox*>(object);
            if (picker && picker->property(listWhileOpenProperty).toBool()) return new PickerAccessible(picker);
            return nullptr;
        });
        return true;
    }();
    (void)installed;
    picker->setProperty(listWhileOpenProperty, true);
}

} // namespace pictavo
