#include "app/shell/BandSummary.h"

#include "app/batch/BatchItem.h"
#include "app/shell/ByteUnit.h"

namespace pictavo {

BandSummary BandSummary::make(std::int64_t count, std::int64_t selected, std::int64_t sourceBytes,
                              std::optional<std::int64_t> estimatedBytes, const ExportPhase& phase,
                              const QString& runPhrase) {
    BandSummary summary;
    if (selected > 0) {
        summary.countLabel = QString::number(selected) + QStringLiteral(" SELECTED");
    } else {
        summary.countLabel = QString::number(count) + (count == 1 ? QStringLiteral(" IMAGE") : QStringLiteral(" IMAGES"));
    }
    summary.isSelecting = selected > 0;
    const bool running = std::holds_alternative<ExportPhase::Running>(phase.value);
    if (!running && count > 0) {
        if (selected > 0) {
            summary.action = Remove{selected};
        } else {
            summary.action = ClearAll{};
        }
    }
    summary.figure = makeFigure(count, sourceBytes, estimatedBytes, phase, runPhrase);
    return summary;
}

BandSummary::Figure BandSummary::makeFigure(std::int64_t count, std::int64_t sourceBytes,
                                            std::optional<std::int64_t> outputBytes, const ExportPhase& phase,
                                            const QString& runPhrase) {
    if (const auto* finished = std::get_if<ExportPhase::Finished>(&phase.value)) {
        if (finished->failed > 0) {
            return Done{QString::number(finished->saved) + QStringLiteral(" saved, ") +
                            QString::number(finished->failed) + QStringLiteral(" failed"),
                        true};
        }
        return Done{QString::number(finished->saved) + QStringLiteral(" saved ") + runPhrase, false};
    }
    if (count < 1) return Idle{};

    const auto* running = std::get_if<ExportPhase::Running>(&phase.value);
    std::optional<std::int64_t> output = outputBytes;
    if (running && !output) output = running->totalEstimatedBytes;
    if (!output && !running) return Bytes{byteCountText(sourceBytes), std::nullopt, std::nullopt};

    std::optional<Pill> pill;
    std::pair<QString, std::optional<QString>> texts;
    if (output) {
        pill = sizePill(SizeChange::between(sourceBytes, *output));
        texts = byteTexts(sourceBytes, output, pill.has_value());
    } else {
        texts = byteTexts(sourceBytes, std::nullopt, false);
    }
    std::optional<Trailing> trailing;
    if (running) {
        trailing = Progress{static_cast<double>(running->finished) / static_cast<double>(count),
                            QString::number(running->finished) + QStringLiteral(" of ") + QString::number(count)};
    } else if (pill) {
        trailing = *pill;
    }
    return Bytes{texts.first, texts.second, trailing};
}

std::optional<BandSummary::Pill> BandSummary::sizePill(const SizeChange& change) {
    switch (change.kind) {
    case SizeChange::Kind::saved:
        if (change.underOnePercent) return std::nullopt;
        return Pill{QStringLiteral("saving ") + QString::number(change.percent) + QLatin1Char('%'), Tone::accent,
                    std::nullopt};
    case SizeChange::Kind::grew:
        return Pill{QStringLiteral("adds ") + byteCountText(change.bytes), Tone::caution, QStringLiteral("arrow.up")};
    case SizeChange::Kind::same:
        return std::nullopt;
    }
    return std::nullopt;
}

std::pair<QString, std::optional<QString>> BandSummary::byteTexts(std::int64_t source,
                                                                  std::optional<std::int64_t> output,
                                                                  bool distinguish) {
    QString sourceText = byteCountText(source);
    if (!output) return {sourceText, std::nullopt};
    QString outputText = byteCountText(*output);
    if (distinguish && source != *output) {
        for (const ByteUnit unit : comparisonUnits) {
            if (sourceText != outputText) break;
            sourceText = byteCountText(source, unit);
            outputText = byteCountText(*output, unit);
        }
    }
    return {sourceText, outputText};
}

} // namespace pictavo
