#pragma once
#include "ImageEngine/Pipeline/ConversionEngine.h"
#include "app/settings/MemoryUserDefaults.h"
#include "app/settings/SettingsStore.h"
#include "support/Eventually.h"
#include "support/FixedPreferences.h"

#include <QCoreApplication>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <functional>
#include <memory>
#include <optional>
#include <ostream>

// Failures show texts as text.
inline void PrintTo(const QString& text, std::ostream* stream) { *stream << '"' << text.toStdString() << '"'; }

namespace options_testing {

using pictavo::ThemeScope;

// A settings store over preferences of its own, starting from the built-in default.
struct Settings {
    pictavo::MemoryUserDefaults defaults;
    pictavo::SettingsStore store{defaults};

    void change(const std::function<void(pictavo::OutputSpec&)>& edit) {
        pictavo::OutputSpec spec = store.spec();
        edit(spec);
        store.setSpec(spec);
    }
};

// An engine over the standard registries, as the application makes at start-up.
const pictavo::ConversionEngine& standardEngine();

using support::eventually;
// Lets queued work (deferred opening, activations, deletions) run.
void settle();

// Input through the window system's path, as a person's would arrive.
void click(QWidget* widget);
void typeText(QWidget* widget, const QString& text);
void typeKey(QWidget* widget, Qt::Key key);

} // namespace options_testing

#include "app/design/DSMenuPresenter.h"
#include "app/design/DSMenuWindow.h"
#include "app/design/DSMenuPanel.h"

namespace options_testing {

// Picks the menu's row with this title as a person would: opens the menu by clicking its chip
// when it is closed, scrolls the row into view and clicks it. False when no row has the title.
template <typename T>
bool chooseRow(QWidget* chip, pictavo::DSMenuPresenter<T>* menu, const QString& title) {
    if (!menu->isPresented()) click(chip);
    if (!menu->controller().isOpen()) return false;
    settle();
    const auto rows = menu->content().allRows();
    for (std::size_t position = 0; position < rows.size(); ++position) {
        if (rows[position].title != title) continue;
        pictavo::DSMenuWindow* window = menu->controller().window();
        window->scrollToRow(position, true);
        settle();
        click(window->panel()->rowView(position));
        return true;
    }
    return false;
}

} // namespace options_testing
