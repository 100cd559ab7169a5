#include "app/options/QualityShape.h"

namespace pictavo {

QualityShape shapeOf(const QualityMode& mode) {
    switch (mode.kind()) {
    case QualityMode::Kind::lossless: return QualityShape::lossless;
    case QualityMode::Kind::quality: return QualityShape::quality;
    case QualityMode::Kind::targetBytes: return QualityShape::targetBytes;
    }
    return QualityShape::lossless;
}

QString title(QualityShape shape) {
    switch (shape) {
    case QualityShape::lossless: return QStringLiteral("Lossless");
    case QualityShape::quality: return QStringLiteral("Quality");
    case QualityShape::targetBytes: return QStringLiteral("File size");
    }
    return {};
}

} // namespace pictavo
