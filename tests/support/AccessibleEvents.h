#pragma once
// For the Qt test programs only: the support library itself links no Qt.
#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <string>
#include <vector>

namespace support {

// What the application tells assistive technology while this lives: every accessibility event
// reaches it instead of the platform's bridge, with what the event's object said of itself
// right then. Accessibility is switched on meanwhile, as a screen reader switches it on.
class AccessibleEvents {
public:
    struct Seen {
        QAccessible::Event type;
        QPointer<QObject> object;
        QAccessible::Role role;
        QString name;
        QString description;
        QAccessible::State state;
        // What holds it: a screen reader reads a label inside a status bar by its text alone.
        QAccessible::Role parentRole = QAccessible::NoRole;

        // As a screen reader would read it: role, name, description, states.
        std::string said() const {
            QStringList states;
            if (state.focused) states << QStringLiteral("focused");
            if (state.selected) states << QStringLiteral("selected");
            return QStringLiteral("%1 \"%2\" \"%3\" [%4]")
                .arg(roleName(role), name, description, states.join(QLatin1Char(' ')))
                .toStdString();
        }
    };

    AccessibleEvents() : wasActive_(QAccessible::isActive()) {
        current() = this;
        previous_ = QAccessible::installUpdateHandler(&record);
        QAccessible::setActive(true);
    }
    ~AccessibleEvents() {
        QAccessible::installUpdateHandler(previous_);
        QAccessible::setActive(wasActive_);
        current() = nullptr;
    }
    AccessibleEvents(const AccessibleEvents&) = delete;
    AccessibleEvents& operator=(const AccessibleEvents&) = delete;

    // How many events of this type came since the last take.
    std::size_t count(QAccessible::Event type) const {
        std::size_t found = 0;
        for (const Seen& event : seen_) found += event.type == type ? 1 : 0;
        return found;
    }

    // The objects of the role shown since the last take, which screen readers read out unasked
    // when they are notifications.
    std::vector<QObject*> shown(QAccessible::Role role) const {
        std::vector<QObject*> objects;
        for (const Seen& event : seen_) {
            if (event.type == QAccessible::ObjectShow && event.role == role && event.object) objects.push_back(event.object);
        }
        return objects;
    }

    // What a screen reader reads out unasked since the last take, in order: the focus as it moves
    // and notifications as they show.
    std::vector<std::string> takeHeard() {
        std::vector<std::string> heard;
        for (const Seen& event : seen_) {
            const bool notice = event.type == QAccessible::ObjectShow && event.role == QAccessible::Notification;
            if (event.type == QAccessible::Focus || notice) heard.push_back(event.said());
        }
        seen_.clear();
        return heard;
    }

    // The focus events since the last call, as they were read.
    std::vector<std::string> takeFocus() {
        std::vector<std::string> focus;
        for (const Seen& event : seen_) {
            if (event.type == QAccessible::Focus) focus.push_back(event.said());
        }
        seen_.clear();
        return focus;
    }

    // Every event since the last take, as its object read then.
    const std::vector<Seen>& seen() const { return seen_; }

    // Every object of the application's windows that says it has the focus, as it reads.
    static std::vector<std::string> focusedObjects() {
        std::vector<std::string> focused;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible()) collectFocused(QAccessible::queryAccessibleInterface(window), focused);
        }
        return focused;
    }

    // How the object reads now.
    static std::string said(QAccessibleInterface* spoken) {
        return spoken ? read(QAccessible::Focus, spoken).said() : std::string();
    }
    static std::string said(QObject* object) { return said(QAccessible::queryAccessibleInterface(object)); }

private:
    static QString roleName(QAccessible::Role role) {
        switch (role) {
        case QAccessible::Button: return QStringLiteral("button");
        case QAccessible::MenuItem: return QStringLiteral("menu item");
        case QAccessible::PopupMenu: return QStringLiteral("menu");
        case QAccessible::ComboBox: return QStringLiteral("combo box");
        case QAccessible::ListItem: return QStringLiteral("list item");
        case QAccessible::StaticText: return QStringLiteral("label");
        case QAccessible::EditableText: return QStringLiteral("text");
        case QAccessible::Client: return QStringLiteral("filler");
        case QAccessible::Dialog: return QStringLiteral("dialog");
        case QAccessible::Window: return QStringLiteral("window");
        case QAccessible::ProgressBar: return QStringLiteral("progress bar");
        case QAccessible::Notification: return QStringLiteral("notification");
        default: return QStringLiteral("role %1").arg(int(role), 0, 16);
        }
    }

    static Seen read(QAccessible::Event type, QAccessibleInterface* spoken) {
        return {type,
                spoken->object(),
                spoken->role(),
                spoken->text(QAccessible::Name),
                spoken->text(QAccessible::Description),
                spoken->state(),
                spoken->parent() ? spoken->parent()->role() : QAccessible::NoRole};
    }

    static void collectFocused(QAccessibleInterface* spoken, std::vector<std::string>& focused) {
        if (!spoken) return;
        if (spoken->state().focused) focused.push_back(read(QAccessible::Focus, spoken).said());
        for (int i = 0; i < spoken->childCount(); ++i) collectFocused(spoken->child(i), focused);
    }

    static AccessibleEvents*& current() {
        static AccessibleEvents* events = nullptr;
        return events;
    }

    static void record(QAccessibleEvent* event) {
        QAccessibleInterface* spoken = event->accessibleInterface();
        if (current() && spoken) current()->seen_.push_back(read(event->type(), spoken));
    }

    std::vector<Seen> seen_;
    QAccessible::UpdateHandler previous_ = nullptr;
    bool wasActive_;
};

} // namespace support
