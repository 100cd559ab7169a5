#pragma once
#include "app/shell/SizeChange.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <utility>
#include <variant>

namespace pictavo {

// Where the batch's export stands, as the summary band tells it.
struct ExportPhase {
    struct None {
        friend bool operator==(const None&, const None&) = default;
    };
    // `finished` counts every exported or failed card, earlier runs' included.
    struct Running {
        std::int64_t finished = 0;
        std::optional<std::int64_t> totalEstimatedBytes;
        friend bool operator==(const Running&, const Running&) = default;
    };
    struct Finished {
        std::int64_t saved = 0;
        std::int64_t failed = 0;
        friend bool operator==(const Finished&, const Finished&) = default;
    };
    std::variant<None, Running, Finished> value = None{};
    friend bool operator==(const ExportPhase&, const ExportPhase&) = default;
};

// Everything the summary band shows, worked out afresh from the batch, the selection, the
// export run and the destination whenever one of them changes.
struct BandSummary {
    enum class Tone { accent, caution };
    struct Pill {
        QString label;
        Tone tone = Tone::accent;
        // A symbol name ("arrow.up"), drawn before the label.
        std::optional<QString> icon;
        friend bool operator==(const Pill&, const Pill&) = default;
    };
    struct Progress {
        double fraction = 0;
        QString label;
        friend bool operator==(const Progress&, const Progress&) = default;
    };
    using Trailing = std::variant<Pill, Progress>;

    struct Bytes {
        QString source;
        std::optional<QString> output;
        std::optional<Trailing> trailing;
        friend bool operator==(const Bytes&, const Bytes&) = default;
    };
    struct Done {
        QString text;
        bool failed = false;
        friend bool operator==(const Done&, const Done&) = default;
    };
    struct Idle {
        friend bool operator==(const Idle&, const Idle&) = default;
    };
    using Figure = std::variant<Bytes, Done, Idle>;

    struct Remove {
        std::int64_t count = 0;
        friend bool operator==(const Remove&, const Remove&) = default;
    };
    struct ClearAll {
        friend bool operator==(const ClearAll&, const ClearAll&) = default;
    };
    using Action = std::variant<Remove, ClearAll>;

    QString countLabel;
    std::optional<Action> action;
    bool isSelecting = false;
    Figure figure = Idle{};
    friend bool operator==(const BandSummary&, const BandSummary&) = default;

    // `runPhrase` says where the last run wrote ("beside each original", "into ~/Photos");
    // it is the run's own, not the destination chosen since.
    static BandSummary make(std::int64_t count, std::int64_t selected, std::int64_t sourceBytes,
                            std::optional<std::int64_t> estimatedBytes, const ExportPhase& phase,
                            const QString& runPhrase);
    static Figure makeFigure(std::int64_t count, std::int64_t sourceBytes, std::optional<std::int64_t> outputBytes,
                             const ExportPhase& phase, const QString& runPhrase);
    // "saving 33%" for a saving of one percent or more, "adds 1.2 MB" for a growth.
    static std::optional<Pill> sizePill(const SizeChange& change);
    // The two sizes as file texts; with `distinguish`, two different sizes that read alike
    // are written again in one unit after another, largest first, until they differ.
    static std::pair<QString, std::optional<QString>> byteTexts(std::int64_t source, std::optional<std::int64_t> output,
                                                                bool distinguish);
};

} // namespace pictavo
