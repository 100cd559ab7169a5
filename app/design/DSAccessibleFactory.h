#pragma once
#include <QAccessible>

namespace pictavo {

// Has every widget of the type met by screen readers through the given interface, which is
// made from the widget. Only the first call for a pair installs it, so the widget's own
// constructor may call it.
template <typename Widget, typename Interface>
void installAccessibleFactory() {
    static const bool installed = [] {
        QAccessible::installFactory([](const QString&, QObject* object) -> QAccessibleInterface* {
            if (auto* widget = qobject_cast<Widget*>(object)) return new Interface(widget);
            return nullptr;
        });
        return true;
    }();
    (void)installed;
}

} // namespace pictavo
