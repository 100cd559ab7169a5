#include "app/preferences/ApplicationUpdates.h"

#include "app/preferences/FeedUpdater.h"
#include "app/preferences/UpdateNotice.h"
#include "app/settings/SettingsUserDefaults.h"

#include <QApplication>
#include <QPointer>

namespace pictavo {
namespace {

// Lives as long as the application object, so its network access ends before Qt does.
class ApplicationUpdateServices : public QObject {
public:
    ApplicationUpdateServices() : QObject(qApp) {
        connect(&updater, &Updater::checked, this, [](const UpdateCheck& check, bool userInitiated) {
            showUpdateCheck(QApplication::activeWindow(), check, userInitiated);
        });
    }

    SettingsUserDefaults defaults;
    FeedUpdater updater{defaults, FeedUpdater::builtInFeed(), QStringLiteral(PICTAVO_VERSION)};
    UpdateController controller{updater};
};

} // namespace

UpdateController& applicationUpdates() {
    static QPointer<ApplicationUpdateServices> services;
    if (!services) services = new ApplicationUpdateServices;
    return services->controller;
}

} // namespace pictavo
