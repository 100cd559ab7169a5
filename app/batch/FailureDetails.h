#pragma once
#include "ImageEngine/Model/ImageProperties.h"
#include "ImageEngine/Model/OutputSpec.h"
#include "platform/types/ContentType.h"

#include <QString>

#include <cstdint>
#include <exception>
#include <filesystem>
#include <optional>

namespace pictavo {

// The copyable report of a failed card: what failed, on which file, with which settings,
// on which build and system. It names files only by their names.
struct FailureDetails {
    // What admission learnt of a source.
    struct Source {
        std::optional<platform::ContentType> utType;
        bool hasAlpha = false;
        // Upright sides: swapped for the orientations that turn a quarter.
        std::int64_t width = 0;
        std::int64_t height = 0;
        std::int64_t exifOrientation = 1;
        // What decides, with the settings, whether the source may be kept in its own format.
        std::int64_t pageCount = 1;
        std::int64_t frameCount = 1;
        // A drawing, which grows to any size asked for.
        bool isVector = false;
        // 0 when unknown; the caller fills it in.
        std::int64_t byteCount = 0;
        // The card's page, counted from 1; the caller fills it in.
        std::int64_t page = 1;
        // What Same as source becomes for this source under the report's settings, as the
        // engine resolves it; the caller fills it in.
        std::optional<OutputFormat> sameAsSource;

        static Source fromProperties(const ImageProperties& properties);
        // As much of the source's properties as the report keeps.
        ImageProperties properties() const;
        friend bool operator==(const Source&, const Source&) = default;
    };

    // The running application and system.
    struct Environment {
        QString appVersion;
        QString build;
        // "direct download" or "store build".
        QString flavour;
        QString system;

        static Environment current();
        friend bool operator==(const Environment&, const Environment&) = default;
    };

    // Thirteen lines (twelve without a source line): the error's sentence with every path
    // cut down to the card's file name, a blank line, the file, the source, the app, the
    // system, the settings, and the error's compact form, followed for a file error by the
    // system's own words for it. Safe on any thread.
    static QString report(const std::exception& error, const std::filesystem::path& file, const OutputSpec& spec,
                          const std::optional<Source>& source, const Environment& environment);

    // The sentence a card shows for an error: a file error names its file and folder only,
    // and paths that a library wrote into a message are cut to "/…/" and their last part.
    static QString description(const std::exception& error);
    // The error's sentence as the report's first line shows it: file errors as if the file
    // lay in a folder called "…", under the card's file name.
    static QString sanitizedDescription(const std::exception& error, const std::string& fileName);
    // "replaceRefused(sourceChanged)", "trashRefused(POSIX 13)", "POSIX 2", a conversion
    // error's case text; any other error reads "std::exception".
    static QString diagnostic(const std::exception& error);

    // The parts of the report, for the views that show them alone. Same as source is named
    // by what the source says it becomes.
    static std::optional<QString> sourceLine(const Source& source);
    static QString writingLine(const OutputSpec& spec, const std::optional<Source>& source);
    static QString qualityText(const QualityMode& quality);
    static QString sizeText(const ResizeSpec& sizing);
    static QString matteText(const MatteColour& matte);
    static QString adjustmentsText(const Adjustments& adjustments);
};

} // namespace pictavo
