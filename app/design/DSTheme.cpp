#include "app/design/DSTheme.h"

#include "platform/base/MainThread.h"
#include "app/design/DSPortalPreferences.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPalette>

namespace pictavo {

namespace {

// A desktop without a stated preference still shows a dark or a light theme through the
// palette it gives the application.
bool paletteIsDark() {
    return QGuiApplication::palette().color(QPalette::Window).lightnessF() < 0.5;
}

} // namespace

DSTheme& DSTheme::shared() {
    static DSTheme* theme = new DSTheme(std::make_unique<DSPortalPreferences>());
    return *theme;
}

DSTheme::DSTheme(std::unique_ptr<DSDesktopPreferences> preferences) {
    if (QCoreApplication* application = QCoreApplication::instance()) {
        moveToThread(application->thread());
        application->installEventFilter(this);
    }
    setPreferences(std::move(preferences));
}

void DSTheme::setPreferences(std::unique_ptr<DSDesktopPreferences> preferences) {
    platform::assertMainThread();
    preferences_ = std::move(preferences);
    connect(preferences_.get(), &DSDesktopPreferences::changed, this, &DSTheme::refresh);
    refresh();
}

bool DSTheme::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ApplicationPaletteChange && watched == QCoreApplication::instance()) refresh();
    return QObject::eventFilter(watched, event);
}

void DSTheme::refresh() {
    const bool dark = preferences_->prefersDark().value_or(paletteIsDark());
    const DSAppearance appearance = makeAppearance(dark, preferences_->prefersIncreasedContrast());
    const bool reduceTransparency = preferences_->prefersReducedTransparency();
    const double typeScale = preferences_->textScale();
    if (appearance == appearance_ && reduceTransparency == reduceTransparency_ && typeScale == typeScale_) return;
    appearance_ = appearance;
    reduceTransparency_ = reduceTransparency;
    typeScale_ = typeScale;
    Q_EMIT changed();
}

} // namespace pictavo
