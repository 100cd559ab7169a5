#include "app/desktop/ApplicationIcon.h"

#include <QString>

namespace pictavo {

QIcon applicationIcon() { return QIcon(QStringLiteral(":/application-icon.svg")); }

} // namespace pictavo
