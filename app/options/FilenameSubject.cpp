#include "app/options/FilenameSubject.h"

#include "ImageEngine/Model/OutputNamer.h"
#include "ImageEngine/Pipeline/ConversionEngine.h"
#include "app/batch/BatchItem.h"

#include <utility>
#include <variant>

namespace pictavo {

namespace {

std::optional<double> scaleOf(const ResizeSpec& sizing) {
    const auto* scale = std::get_if<ResizeSpec::Scale>(&sizing.value());
    return scale ? std::optional(scale->factor) : std::nullopt;
}

std::optional<std::int64_t> qualityOf(const QualityMode& mode) {
    if (mode.kind() != QualityMode::Kind::quality) return std::nullopt;
    return mode.payload();
}

// The source as the user's turn leaves it.
platform::Size turned(platform::Size upright, const OutputSpec& spec) {
    if (spec.adjustments.reorientation.swapsAxes()) std::swap(upright.width, upright.height);
    return upright;
}

} // namespace

FilenameSubject FilenameSubject::example(const ConversionEngine& engine, const OutputSpec& spec) {
    static const std::optional<platform::ContentType> photoType =
        platform::ContentType::forFilenameExtension("jpg", platform::ContentType::data());
    ImageProperties photo;
    photo.sourceUTType = photoType;
    const OutputFormat format = engine.resolution(photo, spec, 1).format;
    const platform::Size source = turned({3000, 2000}, spec);
    return {QStringLiteral("photo.jpg"), format,        spec.sizing.targetSize(source, false),
            scaleOf(spec.sizing),        qualityOf(spec.quality), true};
}

std::optional<FilenameSubject> FilenameSubject::ofCard(const ConversionEngine& engine, const BatchItem& card,
                                                       const OutputSpec& spec) {
    try {
        // What admission read of the file's header, so that asking for the preview never reads
        // a file, which may be a panorama of hundreds of megabytes, on the interface thread.
        const ImageProperties properties = card.header ? card.header->properties() : engine.properties(card.url);
        const OutputFormat format = engine.resolution(properties, spec, card.page).format;
        // Only a drawing grows past its own size; pixels are never enlarged.
        const platform::Size size = spec.sizing.targetSize(turned(properties.orientedPixelSize(), spec), properties.isVector);
        return FilenameSubject{QString::fromStdString(card.url.filename().string()),
                               format,
                               size,
                               scaleOf(spec.sizing),
                               qualityOf(spec.quality),
                               false};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

QString FilenameSubject::preview(const QString& pattern) const {
    const std::string name =
        OutputNamer::fileName(sourceName.toStdString(), pattern.toStdString(), format, pixelSize, scale, quality);
    const QString line = sourceName + QStringLiteral(" \u2192 ") + QString::fromStdString(name);
    return isExample ? QStringLiteral("For example, ") + line : line;
}

} // namespace pictavo
