#include "app/batch/BatchItem.h"

#include "platform/base/Hashing.h"
#include "platform/base/Overloaded.h"
#include "platform/text/TextFormat.h"

#include <functional>

namespace pictavo {

QString byteCountText(std::int64_t bytes) { return QString::fromStdString(platform::byteCount(bytes)); }

std::optional<FailureDetails::Source> reportedSource(const BatchItem& item, const OutputSpec& spec,
                                                     const Converting& engine) {
    if (!item.header) return std::nullopt;
    FailureDetails::Source source = *item.header;
    source.byteCount = item.stamp.byteCount;
    source.page = item.page;
    if (spec.format.isSameAsSource())
        source.sameAsSource = engine.resolution(source.properties(), spec, item.page).format;
    return source;
}

std::size_t hashValue(const BatchItem::SourceStamp& stamp) {
    std::size_t seed = std::hash<std::int64_t>{}(stamp.byteCount);
    platform::hashCombineValue(seed, stamp.modifiedNanoseconds);
    return seed;
}

BatchItem::SourceStamp readSourceStamp(const std::filesystem::path& url) { return platform::readFileStamp(url); }

QString warningLabel(const ConversionWarning& warning) { return QString::fromStdString(warning.label()); }

QString BatchItem::accessibilityDescription() const {
    if (const auto* failed = std::get_if<Failed>(&state)) return failed->reason;
    const QString size = byteCountText(stamp.byteCount);
    QString description = std::visit(
        platform::Overloaded{
            [&](const Estimated& estimated) { return size + QStringLiteral(", estimated ") + byteCountText(estimated.bytes); },
            [&](const Exported&) { return size + QStringLiteral(", saved"); },
            [&](const Failed& failed) { return failed.reason; },
            [&](const Pending&) { return size + QStringLiteral(", waiting"); },
            [&](const Estimating&) { return size + QStringLiteral(", estimating"); },
            [&](const Exporting&) { return size + QStringLiteral(", saving"); },
        },
        state);
    const bool hasAnAnswer = std::holds_alternative<Estimated>(state) || std::holds_alternative<Exported>(state);
    if (hasAnAnswer && !warningsAboutTheAnswer.empty()) {
        description += QStringLiteral(", ") + warningLabel(warningsAboutTheAnswer.front());
    }
    return description;
}

} // namespace pictavo
