#include "app/options/QualityMemory.h"

namespace pictavo {

void QualityMemory::record(const QualityMode& mode) {
    switch (mode.kind()) {
    case QualityMode::Kind::quality: lastQuality = mode.payload(); break;
    case QualityMode::Kind::targetBytes: lastTargetBytes = mode.payload(); break;
    case QualityMode::Kind::lossless: break;
    }
}

QualityMode QualityMemory::mode(QualityShape shape) const {
    switch (shape) {
    case QualityShape::lossless: return QualityMode::lossless();
    case QualityShape::quality: return QualityMode::quality(lastQuality);
    case QualityShape::targetBytes: return QualityMode::targetBytes(lastTargetBytes);
    }
    return QualityMode::lossless();
}

} // namespace pictavo
