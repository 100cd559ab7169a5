#pragma once
#include "ImageEngine/Model/ConversionWarning.h"
#include "app/batch/Converting.h"
#include "app/batch/FailureDetails.h"
#include "platform/files/FileStatus.h"

#include <QString>
#include <QUuid>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <variant>
#include <vector>

namespace pictavo {

// One card of the batch: one admitted source file (and, for a file of several pages, the
// page chosen on it). A plain value; only the batch store makes and changes cards.
struct BatchItem {
    // Where the card is in its life. The alternatives are in this order: estimated,
    // exported, failed, pending, estimating, exporting.
    struct Estimated {
        std::int64_t bytes = 0;
        friend bool operator==(const Estimated&, const Estimated&) = default;
    };
    // The file that was written, and its stamp once written: where the original was
    // replaced, the card's picture is read from it.
    struct Exported {
        std::filesystem::path url;
        platform::FileStamp stamp;
        friend bool operator==(const Exported&, const Exported&) = default;
    };
    // The reason the user reads.
    struct Failed {
        QString reason;
        friend bool operator==(const Failed&, const Failed&) = default;
    };
    struct Pending {
        friend bool operator==(const Pending&, const Pending&) = default;
    };
    struct Estimating {
        friend bool operator==(const Estimating&, const Estimating&) = default;
    };
    struct Exporting {
        friend bool operator==(const Exporting&, const Exporting&) = default;
    };
    using State = std::variant<Estimated, Exported, Failed, Pending, Estimating, Exporting>;

    // The byte count and modification time of the source as last read; equal only when
    // both sizes match and the times are both absent or both present and equal.
    using SourceStamp = platform::FileStamp;

    QUuid id;
    // As admitted, not made canonical.
    std::filesystem::path url;
    QString displayName;
    SourceStamp stamp;
    std::int64_t pageCount = 1;
    std::optional<FailureDetails::Source> header;
    // Counted from 1, always within 1 to pageCount.
    std::int64_t page = 1;
    State state = Pending{};
    // Of the last estimate or export, in the engine's order.
    std::vector<ConversionWarning> warningsAboutTheAnswer;
    std::optional<QString> detailsOfTheFailure;
    // The original went to the Trash and the converted file could not take its place: the
    // card no longer points at a file, and is neither estimated nor exported again.
    bool sourceIsGone = false;
    bool originalWasReplaced = false;
    std::int64_t frameCount = 1;

    bool isExported() const { return std::holds_alternative<Exported>(state); }
    bool isFailed() const { return std::holds_alternative<Failed>(state); }
    // Exported or failed: a settled card keeps its result against late outcomes.
    bool isSettled() const { return isExported() || isFailed(); }

    // What a screen reader says of the card: its size and where it is in its life, with the
    // first warning once there is an answer; a failed card says its reason alone.
    QString accessibilityDescription() const;
};

// What failure reports say of a card's source converted with `spec`: its header with the
// card's current byte count and page, and what Same as source becomes for it as `engine`
// resolves it; none when admission learnt nothing of it.
std::optional<FailureDetails::Source> reportedSource(const BatchItem& item, const OutputSpec& spec,
                                                     const Converting& engine);

// Feeds the byte count, then 0 for no date or 1 and the date.
std::size_t hashValue(const BatchItem::SourceStamp& stamp);

// Never fails: a file that cannot be examined gives 0 bytes and no date. Reads the file
// system afresh on every call.
BatchItem::SourceStamp readSourceStamp(const std::filesystem::path& url);

// The short label of a warning chip, as the engine names it.
QString warningLabel(const ConversionWarning& warning);

// A file size as the file manager writes it, in the user's locale.
QString byteCountText(std::int64_t bytes);

} // namespace pictavo
