#pragma once
#include "ImageEngine/Model/QualityMode.h"

#include <QString>

#include <array>

namespace pictavo {

// The kind of a quality mode without its number: what the compression control's segments pick.
enum class QualityShape { lossless, quality, targetBytes };

inline constexpr std::array<QualityShape, 3> allQualityShapes{QualityShape::lossless, QualityShape::quality,
                                                              QualityShape::targetBytes};

QualityShape shapeOf(const QualityMode& mode);
// "Lossless", "Quality" or "File size".
QString title(QualityShape shape);

} // namespace pictavo
