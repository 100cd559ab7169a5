#include "ImageEngine/Pipeline/TargetSizeSolver.h"

#include "platform/base/Cancellation.h"

#include <gtest/gtest.h>

#include <limits>
#include <stop_token>

using pictavo::TargetSizeSolver;
using Outcome = TargetSizeSolver::Outcome;

namespace {

// An encoder whose output shrinks as the quality falls: quality q writes q * bytesPerStep bytes.
struct Probes {
    std::int64_t bytesPerStep = 1000;
    std::vector<std::int64_t> asked;
    std::function<std::int64_t(std::int64_t)> callback() {
        return [this](std::int64_t quality) {
            asked.push_back(quality);
            return quality * bytesPerStep;
        };
    }
};

} // namespace

TEST(TargetSizeSolver, BinarySearchProbesInItsExactOrder) {
    const std::vector<std::int64_t> downToTheLowest{50, 25, 12, 6, 3, 1};
    struct Case { std::int64_t target; std::vector<std::int64_t> asked; Outcome outcome; };
    const Case cases[] = {
        {1'000'000, {50, 75, 88, 94, 97, 99, 100}, {100, 100'000, true, 7}}, // everything fits
        {60'000, {50, 75, 62, 56, 59, 60, 61}, {60, 60'000, true, 7}},       // the qualities up to 60 fit
        // Nothing fits: the lowest quality was probed, so no extra probe. A target of zero or
        // less fits nothing.
        {10, downToTheLowest, {1, 1000, false, 6}},
        {0, downToTheLowest, {1, 1000, false, 6}},
        {-1, downToTheLowest, {1, 1000, false, 6}},
        {std::numeric_limits<std::int64_t>::min(), downToTheLowest, {1, 1000, false, 6}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        Probes probes;
        EXPECT_EQ(TargetSizeSolver::solve(c.target, {1, 100}, 8, true, probes.callback()), c.outcome);
        EXPECT_EQ(probes.asked, c.asked);
    }
}

TEST(TargetSizeSolver, FallsBackToTheLowestQualityWhenTheBudgetRunsOutAndEncodesOnceAtTheTopWithoutADial) {
    Probes probes;
    const auto outcome = TargetSizeSolver::solve(0, {0, 1000}, 8, true, probes.callback());
    EXPECT_EQ(probes.asked, (std::vector<std::int64_t>{500, 249, 124, 61, 30, 14, 6, 2, 0}));
    EXPECT_EQ(outcome, (Outcome{0, 0, false, 9}));

    // The fallback reports a miss even when its own encode fits, and so does no budget at all.
    Probes none;
    EXPECT_EQ(TargetSizeSolver::solve(5000, {1, 100}, 0, true, none.callback()), (Outcome{1, 1000, false, 1}));
    EXPECT_EQ(none.asked, std::vector<std::int64_t>{1});

    Probes fits;
    EXPECT_EQ(TargetSizeSolver::solve(100'000, {1, 100}, 8, false, fits.callback()),
              (Outcome{std::nullopt, 100'000, true, 1}));
    EXPECT_EQ(fits.asked, std::vector<std::int64_t>{100});
    Probes misses;
    EXPECT_EQ(TargetSizeSolver::solve(99'999, {1, 100}, 8, false, misses.callback()),
              (Outcome{std::nullopt, 100'000, false, 1}));

    Probes negative; // (-3 + 0) / 2 truncates to -1, not -2
    TargetSizeSolver::solve(std::numeric_limits<std::int64_t>::max(), {-3, 0}, 1, true, negative.callback());
    EXPECT_EQ(negative.asked.front(), -1);

    const auto top = std::numeric_limits<std::int64_t>::max();
    Probes high{0, {}};
    EXPECT_EQ(TargetSizeSolver::solve(0, {top - 2, top}, 8, true, high.callback()), (Outcome{top, 0, true, 2}));
    EXPECT_EQ(high.asked, (std::vector<std::int64_t>{top - 1, top}));

    const auto bottom = std::numeric_limits<std::int64_t>::min();
    Probes low{0, {}};
    EXPECT_EQ(TargetSizeSolver::solve(-1, {bottom, bottom + 1}, 8, true, low.callback()),
              (Outcome{bottom, 0, false, 2}));
    EXPECT_EQ(low.asked, (std::vector<std::int64_t>{bottom + 1, bottom}));
}

TEST(TargetSizeSolver, AnErrorFromAProbeEndsTheSearch) {
    std::stop_source stop;
    int calls = 0;
    EXPECT_THROW(TargetSizeSolver::solve(1, {1, 100}, 8, true,
                                         [&](std::int64_t quality) {
                                             ++calls;
                                             platform::throwIfCancelled(stop.get_token());
                                             stop.request_stop();
                                             return quality * 1000;
                                         }),
                 platform::CancellationError);
    EXPECT_EQ(calls, 2);
}
