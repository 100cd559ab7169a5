#pragma once
#include "app/design/DSDesktopPreferences.h"
#include "app/design/DSTheme.h"
#include "app/settings/MemoryUserDefaults.h"
#include "app/settings/SettingsStore.h"

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

// Desktop preferences that a test sets.
class FixedPreferences : public pictavo::DSDesktopPreferences {
public:
    std::optional<bool> prefersDark() const override { return dark; }
    bool prefersIncreasedContrast() const override { return increasedContrast; }
    bool prefersReducedTransparency() const override { return false; }
    double textScale() const override { return scale; }

    void set(bool dark_, bool increasedContrast_ = false, double scale_ = 1.0) {
        dark = dark_;
        increasedContrast = increasedContrast_;
        scale = scale_;
        Q_EMIT changed();
    }

    std::optional<bool> dark = false;
    bool increasedContrast = false;
    double scale = 1.0;
};

// The shared theme under the test's preferences for the life of a test, and back to the plain
// light appearance at its end.
class ThemeScope {
public:
    ThemeScope() {
        auto owned = std::make_unique<FixedPreferences>();
        preferences = owned.get();
        pictavo::DSTheme::shared().setPreferences(std::move(owned));
    }
    ~ThemeScope() { pictavo::DSTheme::shared().setPreferences(std::make_unique<FixedPreferences>()); }
    ThemeScope(const ThemeScope&) = delete;
    ThemeScope& operator=(const ThemeScope&) = delete;

    FixedPreferences* preferences = nullptr;
};

// A settings store over preferences of its own, starting from the built-in default.
struct Settings {
    pictavo::MemoryUserDefaults defaults;
    pictavo::SettingsStore store{defaults};

    // The current specification with one change.
    void change(const std::function<void(pictavo::OutputSpec&)>& edit) {
        pictavo::OutputSpec spec = store.spec();
        edit(spec);
        store.setSpec(spec);
    }
};

// Waits, running the event loop, until the condition holds; false after thirty seconds.
bool eventually(const std::function<bool()>& condition);
// Lets queued work (deferred opening, activations, deletions) run.
void settle();

// Input through the window system's path, as a person's would arrive.
void click(QWidget* widget, QPoint local = {-1, -1});
void typeText(QWidget* widget, const QString& text);
void typeKey(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = {});

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
