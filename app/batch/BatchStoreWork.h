#pragma once
// The store's own records of work under way, shared by the files that implement BatchStore.
#include "app/batch/BatchStore.h"
#include "app/batch/Settlement.h"

#include "ImageEngine/Model/ConversionResult.h"
#include "app/export/ExportDestination.h"
#include "app/export/ReplaceRefusal.h"

#include <deque>
#include <future>
#include <stop_token>

namespace pictavo {

// One debounced estimate pass: the specification it was scheduled with, the stop source
// that every child shares, and its sliding window of conversions.
struct BatchStore::EstimatePass {
    explicit EstimatePass(OutputSpec passSpec) : spec(std::move(passSpec)) {}
    OutputSpec spec;
    std::stop_source stop;
    std::vector<EstimateJob> jobs;
    std::size_t next = 0;
};

struct BatchStore::EstimateJob {
    QUuid id;
    std::filesystem::path url;
    std::int64_t page = 1;
    // The card's header with the card's byte count, for failure reports.
    std::optional<FailureDetails::Source> source;
};

struct BatchStore::EstimateOutcome : Settlement {
    QUuid id;
    std::filesystem::path url;
    std::int64_t page = 1;
    // purgeGeneration when the child started.
    std::int64_t purges = 0;
    Estimate estimate;
};

struct BatchStore::ExportJob {
    QUuid id;
    std::filesystem::path url;
    std::int64_t page = 1;
    std::optional<FailureDetails::Source> source;
    // The card as it was when the run started.
    BatchItem item;
};

struct BatchStore::ExportOutcome : Settlement {
    QUuid id;
    // The original, also when the conversion read a snapshot.
    std::filesystem::path url;
    std::optional<ConversionResult> result;
};

// A card made ready for replacing its original: the snapshot its conversion reads, the
// snapshot's version, and its counts (none when no decoder could read them).
struct BatchStore::Prepared {
    std::filesystem::path snapshot;
    std::optional<SourceVersion> version;
    std::optional<std::int64_t> pages, frames, renditions;
    // Set instead when the snapshot could not be made or read.
    std::optional<ReplaceRefusal> refusal;
};

// One export run. Outcomes are handled one at a time, in the order they arrive; `busy`
// keeps a nested event loop (a folder panel) from handling another meanwhile.
struct BatchStore::ExportRun {
    ExportRun(const Converting& runEngine, ExportDestination runDestination, OutputSpec runSpec)
        : engine(&runEngine), destination(std::move(runDestination)), spec(std::move(runSpec)) {}
    const Converting* engine;
    ExportDestination destination;
    OutputSpec spec;
    std::filesystem::path runFolder;
    ReplaceFolderAccess accessReplaceFolder;
    FallbackAsker fallbackAsker;
    std::vector<ExportJob> jobs;
    std::size_t next = 0;
    std::int64_t saved = 0;
    std::int64_t failed = 0;
    bool stopped = false;
    std::stop_source stop;

    // Calls of startNextExport still to make: the first fill, then one per outcome, each
    // made before that outcome is written.
    std::int64_t startsOwed = 0;
    std::int64_t inFlight = 0;
    std::deque<ExportOutcome> arrived;
    std::optional<ExportOutcome> beingHandled;
    // A snapshot is being made off the main thread; the fill goes on when it is back.
    bool preparing = false;
    std::optional<ExportJob> preparingJob;
    std::shared_ptr<Prepared> prepared;
    bool busy = false;
    bool finished = false;
};

} // namespace pictavo
