#include "app/batch/FailureDetails.h"

#include "ImageEngine/Model/ConversionError.h"
#include "app/export/ExportWriterError.h"
#include "app/export/ReplaceRefusal.h"
#include "platform/files/FileErrorText.h"
#include "platform/base/Geometry.h"
#include "platform/base/Overloaded.h"
#include "platform/files/PathCutting.h"
#include "platform/text/TextFormat.h"

#include <QLocale>
#include <QStringList>
#include <QSysInfo>

#include <algorithm>
#include <cmath>

namespace pictavo {

namespace {

QString text(const std::string& value) { return QString::fromStdString(value); }

QString integer(std::int64_t value) { return QLocale().toString(static_cast<qlonglong>(value)); }

QString shortest(double value) { return QLocale().toString(value, 'g', QLocale::FloatingPointShortest); }

QString byteCountText(std::int64_t bytes) { return text(platform::byteCount(bytes)); }

std::filesystem::path underFolderCalledEllipsis(const std::string& fileName) {
    return std::filesystem::path("/\u2026") / fileName;
}

bool isLossy(const OutputFormat& format) {
    return format.utType() && OutputFormat::lossyIdentifiers().count(format.utType()->identifier()) > 0;
}

// The system's own words for a file error behind the error, in brackets; kept out of the
// sentence the card shows, which has words of its own.
QString systemWordsOf(const std::exception& error) {
    const platform::FileError* file = dynamic_cast<const platform::FileError*>(&error);
    if (const auto* writer = dynamic_cast<const ExportWriterError*>(&error); writer && writer->underlying()) {
        file = &*writer->underlying();
    }
    if (!file) return {};
    return QStringLiteral(" (") + text(platform::fileErrorSystemWords(*file)) + QStringLiteral(")");
}

// A component as one byte: what is not a number counts as none of the colour.
int matteByte(double component) {
    if (!std::isfinite(component) || component <= 0) return 0;
    return static_cast<int>(platform::roundHalfAway(std::min(component, 1.0) * 255));
}

} // namespace

FailureDetails::Source FailureDetails::Source::fromProperties(const ImageProperties& properties) {
    Source source;
    source.utType = properties.sourceUTType;
    source.hasAlpha = properties.hasAlpha;
    source.exifOrientation = properties.orientation;
    const bool turnsAQuarter = properties.orientation >= 5 && properties.orientation <= 8;
    source.width = turnsAQuarter ? properties.pixelHeight : properties.pixelWidth;
    source.height = turnsAQuarter ? properties.pixelWidth : properties.pixelHeight;
    source.pageCount = properties.pageCount;
    source.frameCount = properties.frameCount;
    source.isVector = properties.isVector;
    return source;
}

ImageProperties FailureDetails::Source::properties() const {
    ImageProperties properties;
    properties.orientation = static_cast<std::uint32_t>(exifOrientation);
    const bool turnsAQuarter = exifOrientation >= 5 && exifOrientation <= 8;
    properties.pixelWidth = turnsAQuarter ? height : width;
    properties.pixelHeight = turnsAQuarter ? width : height;
    properties.hasAlpha = hasAlpha;
    properties.pageCount = pageCount;
    properties.frameCount = frameCount;
    properties.isVector = isVector;
    properties.sourceUTType = utType;
    properties.byteCount = byteCount;
    return properties;
}

FailureDetails::Environment FailureDetails::Environment::current() {
    Environment environment;
    environment.appVersion = QStringLiteral(PICTAVO_VERSION);
#ifdef PICTAVO_BUILD
    environment.build = QStringLiteral(PICTAVO_BUILD);
#else
    environment.build = QStringLiteral("unknown");
#endif
    // There is no store build of this application: every copy is downloaded directly.
    environment.flavour = QStringLiteral("direct download");
    QString system = QSysInfo::prettyProductName();
    if (system.startsWith(QStringLiteral("Version "))) system.remove(0, 8);
    environment.system = system + QStringLiteral(", kernel ") + QSysInfo::kernelVersion();
    return environment;
}

QString FailureDetails::description(const std::exception& error) {
    if (const auto* conversion = dynamic_cast<const ConversionError*>(&error)) {
        return text(platform::cuttingPaths(conversion->errorDescription()));
    }
    if (const auto* refusal = dynamic_cast<const ReplaceRefusal*>(&error)) return text(refusal->description());
    if (const auto* writer = dynamic_cast<const ExportWriterError*>(&error)) return text(writer->description());
    if (const auto* file = dynamic_cast<const platform::FileError*>(&error)) {
        return text(platform::fileErrorDescription(*file));
    }
    return text(platform::cuttingPaths(error.what()));
}

QString FailureDetails::sanitizedDescription(const std::exception& error, const std::string& fileName) {
    const auto hidden = underFolderCalledEllipsis(fileName);
    if (const auto* writer = dynamic_cast<const ExportWriterError*>(&error)) {
        return text(writer->withUnderlyingPath(hidden).description());
    }
    if (const auto* file = dynamic_cast<const platform::FileError*>(&error)) {
        return text(platform::fileErrorDescription(file->withPath(hidden)));
    }
    return description(error);
}

QString FailureDetails::diagnostic(const std::exception& error) {
    if (const auto* conversion = dynamic_cast<const ConversionError*>(&error)) {
        return text(platform::cuttingPaths(conversion->diagnostic()));
    }
    if (const auto* refusal = dynamic_cast<const ReplaceRefusal*>(&error)) return text(refusal->diagnostic());
    if (const auto* writer = dynamic_cast<const ExportWriterError*>(&error)) return text(writer->diagnostic());
    if (const auto* file = dynamic_cast<const platform::FileError*>(&error)) {
        return text(platform::fileErrorDiagnostic(*file));
    }
    return QStringLiteral("std::exception");
}

std::optional<QString> FailureDetails::sourceLine(const Source& source) {
    QStringList parts;
    if (source.utType) parts << text(OutputFormat(*source.utType).displayName());
    if (source.width >= 1 && source.height >= 1) {
        parts << integer(source.width) + QStringLiteral(" \u00D7 ") + integer(source.height);
    }
    if (source.byteCount >= 1) {
        parts << byteCountText(source.byteCount);
    } else if (parts.isEmpty()) {
        return std::nullopt;
    }
    if (source.exifOrientation != 1) parts << QStringLiteral("Exif orientation ") + QString::number(source.exifOrientation);
    return parts.join(QStringLiteral(", "));
}

QString FailureDetails::qualityText(const QualityMode& quality) {
    switch (quality.kind()) {
    case QualityMode::Kind::quality: return QStringLiteral("quality ") + QString::number(quality.payload());
    case QualityMode::Kind::targetBytes: return QStringLiteral("target ") + byteCountText(quality.payload());
    case QualityMode::Kind::lossless: return QStringLiteral("lossless");
    }
    return {};
}

QString FailureDetails::writingLine(const OutputSpec& spec, const std::optional<Source>& source) {
    QString line = text(spec.format.displayName());
    if (spec.format.isSameAsSource()) {
        if (!source || !source->sameAsSource) return line;
        const OutputFormat& resolved = *source->sameAsSource;
        line += QStringLiteral(" (") + text(resolved.displayName()) + QStringLiteral(")");
        if (isLossy(resolved)) line += QStringLiteral(", ") + qualityText(spec.quality);
        return line;
    }
    if (isLossy(spec.format)) line += QStringLiteral(", ") + qualityText(spec.quality);
    return line;
}

QString FailureDetails::sizeText(const ResizeSpec& sizing) {
    return std::visit(
        platform::Overloaded{
            [](const ResizeSpec::Original&) { return QStringLiteral("original size"); },
            [](const ResizeSpec::Fit& fit) {
                if (fit.maxWidth && fit.maxHeight) {
                    return QStringLiteral("fit within ") + integer(*fit.maxWidth) + QStringLiteral(" \u00D7 ") +
                           integer(*fit.maxHeight) + QStringLiteral(" px");
                }
                if (fit.maxWidth) return QStringLiteral("fit within ") + integer(*fit.maxWidth) + QStringLiteral(" px wide");
                if (fit.maxHeight) return QStringLiteral("fit within ") + integer(*fit.maxHeight) + QStringLiteral(" px high");
                return QStringLiteral("original size");
            },
            [](const ResizeSpec::Percentage& percentage) {
                return shortest(percentage.factor * 100) + QLocale().percent();
            },
            [](const ResizeSpec::Scale& scale) { return QStringLiteral("@") + shortest(scale.factor) + QStringLiteral("x"); },
            [](const ResizeSpec::LongestEdge& edge) {
                return QStringLiteral("longest edge ") + integer(edge.pixels) + QStringLiteral(" px");
            },
        },
        sizing.value());
}

QString FailureDetails::matteText(const MatteColour& matte) {
    if (matte == MatteColour::white()) return QStringLiteral("white");
    if (matte == MatteColour::black()) return QStringLiteral("black");
    return QString::asprintf("#%02X%02X%02X", matteByte(matte.red), matteByte(matte.green), matteByte(matte.blue));
}

QString FailureDetails::adjustmentsText(const Adjustments& adjustments) {
    if (adjustments.isIdentity()) return QStringLiteral("none");
    QStringList parts;
    if (!adjustments.reorientation.isIdentity()) parts << text(adjustments.reorientation.description()).toLower();
    if (adjustments.greyscale) parts << QStringLiteral("greyscale");
    return parts.join(QStringLiteral(", "));
}

QString FailureDetails::report(const std::exception& error, const std::filesystem::path& file, const OutputSpec& spec,
                               const std::optional<Source>& source, const Environment& environment) {
    const std::string fileName = file.filename().string();
    QStringList lines;
    lines << sanitizedDescription(error, fileName) << QString() << QStringLiteral("File: ") + text(fileName);
    if (source) {
        if (const auto line = sourceLine(*source)) lines << QStringLiteral("Source: ") + *line;
    }
    lines << QStringLiteral("App: ") + environment.appVersion + QStringLiteral(" (") + environment.build +
                 QStringLiteral("), ") + environment.flavour;
    lines << QStringLiteral("Linux: ") + environment.system;
    lines << QStringLiteral("Writing: ") + writingLine(spec, source);
    lines << QStringLiteral("Size: ") + sizeText(spec.sizing);
    lines << QStringLiteral("Colour: ") +
                 (spec.colour == ColourPolicy::preserve ? QStringLiteral("preserved") : QStringLiteral("converted to sRGB"));
    lines << QStringLiteral("Matte: ") + matteText(spec.matte);
    lines << QStringLiteral("Metadata: ") +
                 (spec.metadata == MetadataPolicy::strip ? QStringLiteral("stripped") : QStringLiteral("kept"));
    lines << QStringLiteral("Adjustments: ") + adjustmentsText(spec.adjustments);
    lines << QStringLiteral("Error: ") + diagnostic(error) + systemWordsOf(error);
    return lines.join(QChar('\n'));
}

} // namespace pictavo
