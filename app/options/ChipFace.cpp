#include "app/options/ChipFace.h"

namespace pictavo {

ChipFace ChipFace::format(const OutputFormat& format) {
    return {QStringLiteral("doc"),
            QString::fromStdString(format.displayName()),
            true,
            DSCapsuleButtonStyle::Role::chip,
            QStringLiteral("Format"),
            QString::fromStdString(format.displayName()),
            QStringLiteral("The format every image in the batch is written as")};
}

ChipFace ChipFace::size(const QString& label) {
    return {QStringLiteral("arrow.up.left.and.arrow.down.right"),
            label,
            true,
            DSCapsuleButtonStyle::Role::chip,
            QStringLiteral("Size"),
            label,
            QStringLiteral("The size every image in the batch is rendered at")};
}

ChipFace ChipFace::options() {
    return {QStringLiteral("slider.horizontal.3"),
            QStringLiteral("Options"),
            false,
            DSCapsuleButtonStyle::Role::quietChip,
            QStringLiteral("Options"),
            std::nullopt,
            QStringLiteral("Compression, metadata, colour and orientation")};
}

} // namespace pictavo
