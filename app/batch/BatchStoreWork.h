#pragma once
// The store's own records of its estimate passes, shared by the files that implement BatchStore.
#include "app/batch/BatchStore.h"
#include "app/batch/Settlement.h"

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

} // namespace pictavo
