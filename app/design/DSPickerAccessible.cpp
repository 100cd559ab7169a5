#include "app/design/DSPickerAccessible.h"

#include "app/design/DSAnnouncer.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QEvent>
#include <QHash>
#include <QListView>
#include <QPointer>
#include <QTimer>

namespace pictavo {

namespace {

constexpr const char* listWhileOpenProperty = "pictavoListOnlyWhileOpen";
constexpr const char* pickerListProperty = "pictavoPickerList";

bool isSeparator(const QModelIndex& row) {
    // How QComboBox marks the separators it inserts.
    return row.data(Qt::AccessibleDescriptionRole).toString() == QLatin1String("separator");
}

// One row of an open picker's list: a choice, or a separator between groups of choices.
class PickerRowAccessible : public QAccessibleInterface {
public:
    PickerRowAccessible(QListView* view, int row) : view_(view), row_(row) {}

    bool isValid() const override { return view_ && index().isValid(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return parent() ? parent()->window() : nullptr; }
    QAccessibleInterface* parent() const override { return view_ ? QAccessible::queryAccessibleInterface(view_) : nullptr; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name && isValid() ? index().data(Qt::DisplayRole).toString() : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid()) return QRect();
        const QRect row = view_->visualRect(index());
        return QRect(view_->viewport()->mapToGlobal(row.topLeft()), row.size());
    }
    QAccessible::Role role() const override {
        return isValid() && isSeparator(index()) ? QAccessible::Separator : QAccessible::ListItem;
    }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.invisible = !view_->isVisible();
        if (isSeparator(index())) {
            state.disabled = true;
            return state;
        }
        const bool isCurrent = view_->currentIndex() == index();
        state.selectable = true;
        state.focusable = true;
        state.selected = isCurrent;
        state.focused = isCurrent && view_->hasFocus();
        return state;
    }

private:
    QModelIndex index() const {
        return view_ && view_->model() ? view_->model()->index(row_, view_->modelColumn(), view_->rootIndex()) : QModelIndex();
    }

    QPointer<QListView> view_;
    int row_;
};

// An open picker's list as screen readers meet it: its rows are the list's, its separators
// separators and not items, so that the list counts its choices. Qt's list counted them as items.
class PickerListAccessible : public QAccessibleWidget {
public:
    explicit PickerListAccessible(QListView* view) : QAccessibleWidget(view, QAccessible::List) {}
    ~PickerListAccessible() override {
        for (const QAccessible::Id row : std::as_const(rows_)) QAccessible::deleteAccessibleInterface(row);
    }
    PickerListAccessible(const PickerListAccessible&) = delete;
    PickerListAccessible& operator=(const PickerListAccessible&) = delete;

    // Rows by their place in the list, as the list tells of its current row.
    int childCount() const override { return view()->model() ? view()->model()->rowCount(view()->rootIndex()) : 0; }

    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount()) return nullptr;
        if (const auto made = rows_.constFind(index); made != rows_.cend()) return QAccessible::accessibleInterface(*made);
        auto* row = new PickerRowAccessible(view(), index);
        rows_.insert(index, QAccessible::registerAccessibleInterface(row));
        return row;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        for (auto row = rows_.cbegin(); row != rows_.cend(); ++row) {
            if (QAccessible::accessibleInterface(row.value()) == child) return row.key();
        }
        return -1;
    }

    QAccessibleInterface* childAt(int x, int y) const override {
        const QModelIndex row = view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y)));
        return row.isValid() ? child(row.row()) : nullptr;
    }

    QAccessibleInterface* focusChild() const override {
        return view()->hasFocus() && view()->currentIndex().isValid() ? child(view()->currentIndex().row()) : nullptr;
    }

private:
    QListView* view() const { return static_cast<QListView*>(widget()); }

    mutable QHash<int, QAccessible::Id> rows_;
};

// The shown choice is also the picker's text: screen readers take a closed combo box's value from
// its text, or from its list's selected row, which it does not have.
class PickerAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit PickerAccessible(QComboBox* picker) : QAccessibleWidget(picker, QAccessible::ComboBox) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    int childCount() const override { return isOpen() ? 1 : 0; }

    QAccessibleInterface* child(int index) const override {
        return index == 0 && isOpen() ? QAccessible::queryAccessibleInterface(picker()->view()) : nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        return isOpen() && child && child->object() == picker()->view() ? 0 : -1;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name || t == QAccessible::Value) return shown();
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

    // The text: the shown choice, read only, with no caret or selection of its own.
    QString text(int start, int end) const override { return shown().mid(start, end - start); }
    int characterCount() const override { return static_cast<int>(shown().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return QRect(); }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return QString();
    }

private:
    QComboBox* picker() const { return static_cast<QComboBox*>(widget()); }
    QString shown() const { return picker()->currentText(); }
    bool isOpen() const { return picker()->view() && picker()->view()->isVisible(); }
};

// Reads the current row out when the list opens: the list tells of its rows as the highlight
// moves, but opening only focuses the list itself, which a screen reader reads as the list and
// its count.
class OpenListReader : public QObject {
public:
    OpenListReader(QComboBox* picker, QListView* list) : QObject(picker), list_(list) { list->installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::FocusIn) {
            // After the list's own focus has reached the screen reader.
            QTimer::singleShot(0, this, [this] {
                if (!list_ || !list_->hasFocus() || !list_->currentIndex().isValid()) return;
                QAccessibleEvent focus(list_.data(), QAccessible::Focus);
                focus.setChild(list_->currentIndex().row());
                QAccessible::updateAccessibility(&focus);
            });
        }
        return false;
    }

private:
    QPointer<QListView> list_;
};

} // namespace

void showListOnlyWhileOpen(QComboBox* picker) {
    static const bool installed = [] {
        QAccessible::installFactory([](const QString&, QObject* object) -> QAccessibleInterface* {
            auto* picker = qobject_cast<QComboBox*>(object);
            if (picker && picker->property(listWhileOpenProperty).toBool()) return new PickerAccessible(picker);
            auto* list = qobject_cast<QListView*>(object);
            if (list && list->property(pickerListProperty).toBool()) return new PickerListAccessible(list);
            return nullptr;
        });
        return true;
    }();
    (void)installed;
    picker->setProperty(listWhileOpenProperty, true);
    if (auto* list = qobject_cast<QListView*>(picker->view())) {
        list->setProperty(pickerListProperty, true);
        // The picker makes its list as it is made, and a screen reader's bridge may have met the
        // list already, through Qt's own interface, which would stay.
        if (QAccessible::isActive()) {
            QAccessibleInterface* met = QAccessible::queryAccessibleInterface(list);
            if (met && !dynamic_cast<PickerListAccessible*>(met)) {
                QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(met));
            }
        }
        new OpenListReader(picker, list);
    }
    // A key that changes the closed picker's choice leaves the focus where it was, so the screen
    // reader hears of the new choice only when told. In the open list the highlighted row is heard.
    QObject::connect(picker, &QComboBox::currentIndexChanged, picker, [picker] {
        const bool isOpen = picker->view() && picker->view()->isVisible();
        if (picker->hasFocus() && !isOpen) DSAnnouncer::accessible().say(picker, picker->currentText());
    });
}

} // namespace pictavo
