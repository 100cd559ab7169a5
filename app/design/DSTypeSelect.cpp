#include "app/design/DSTypeSelect.h"

namespace pictavo {

QString foldedForTypeSelect(const QString& text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString folded;
    folded.reserve(decomposed.size());
    for (const QChar character : decomposed) {
        if (!character.isMark()) folded += character;
    }
    return folded.toCaseFolded();
}

} // namespace pictavo
