#include "ImageEngine/Core/TargetSizeSolver.h"

#include "platform/Cancellation.h"

#include <gtest/gtest.h>

#include <limits>
#include <stop_token>

using pictavo::TargetSizeSolver;
using Outcome = TargetSizeSolver::Outcome;

namespace {

// An encoder whose output shrinks as the quality falls: quality q writes q * 1000 bytes.
struct Probes {
    std::vector<std::int64_t> asked;
    std::function<std::int64_t(std::int64_t)> callback() {
        return [this](std::int64_t quality) {
            asked.push_back(quality);
            return quality * 1000;
        };
    }
};

} // namespace

TEST(TargetSizeSolver, BinarySearchProbesInItsExactOrder) {
    {
        Probes probes; // everything fits
        const auto outcome = TargetSizeSolver::solve(1'000'000, {1, 100}, 8, true, probes.callback());
        EXPECT_EQ(probes.asked, (std::vector<std::int64_t>{50, 75, 88, 94, 97, 99, 100}));
        EXPECT_EQ(outcome, (Outcome{100, 100'000, true, 7}));
    }
    {
        Probes probes; // nothing fits: the lowest quality was probed, so no extra probe
        const auto outcome = TargetSizeSolver::solve(10, {1, 100}, 8, true, probes.callback());
        EXPECT_EQ(probes.asked, (std::vector<std::int64_t>{50, 25, 12, 6, 3, 1}));
        EXPECT_EQ(outcome, (Outcome{1, 1000, false, 6}));
    }
    {
        Probes probes; // the qualities up to 60 fit
        const auto outcome = TargetSizeSolver::solve(60'000, {1, 100}, 8, true, probes.callback());
        EXPECT_EQ(probes.asked, (std::vector<std::int64_t>{50, 75, 62, 56, 59, 60, 61}));
        EXPECT_EQ(outcome, (Outcome{60, 60'000, true, 7}));
    }
}

TEST(TargetSizeSolver, FallsBackToTheLowestQualityWhenTheBudgetRunsOut) {
    Probes probes;
    const auto outcome = TargetSizeSolver::solve(0, {0, 1000}, 8, true, probes.callback());
    EXPECT_EQ(probes.asked, (std::vector<std::int64_t>{500, 249, 124, 61, 30, 14, 6, 2, 0}));
    EXPECT_EQ(outcome, (Outcome{0, 0, false, 9}));

    // The fallback reports a miss even when its own encode fits, and so does no budget at all.
    Probes none;
    EXPECT_EQ(TargetSizeSolver::solve(5000, {1, 100}, 0, true, none.callback()), (Outcome{1, 1000, false, 1}));
    EXPECT_EQ(none.asked, std::vector<std::int64_t>{1});
}

TEST(TargetSizeSolver, ATargetOfZeroOrLessFitsNothing) {
    for (std::int64_t target : {std::int64_t{0}, std::int64_t{-1}, std::numeric_limits<std::int64_t>::min()}) {
        Probes probes;
        const auto outcome = TargetSizeSolver::solve(target, {1, 100}, 8, true, probes.callback());
        EXPECT_EQ(outcome, (Outcome{1, 1000, false, 6}));
    }
}

TEST(TargetSizeSolver, WithoutAQualityDialEncodesOnceAtTheTop) {
    Probes fits;
    EXPECT_EQ(TargetSizeSolver::solve(100'000, {1, 100}, 8, false, fits.callback()),
              (Outcome{std::nullopt, 100'000, true, 1}));
    EXPECT_EQ(fits.asked, std::vector<std::int64_t>{100});
    Probes misses;
    EXPECT_EQ(TargetSizeSolver::solve(99'999, {1, 100}, 8, false, misses.callback()),
              (Outcome{std::nullopt, 100'000, false, 1}));
}

TEST(TargetSizeSolver, HalvesTowardZeroAndSurvivesExtremeRanges) {
    Probes negative; // (-3 + 0) / 2 truncates to -1, not -2
    TargetSizeSolver::solve(std::numeric_limits<std::int64_t>::max(), {-3, 0}, 1, true, negative.callback());
    EXPECT_EQ(negative.asked.front(), -1);

    const auto top = std::numeric_limits<std::int64_t>::max();
    std::vector<std::int64_t> asked;
    const auto outcome = TargetSizeSolver::solve(0, {top - 2, top}, 8, true, [&](std::int64_t quality) {
        asked.push_back(quality);
        return std::int64_t{0};
    });
    EXPECT_EQ(asked, (std::vector<std::int64_t>{top - 1, top}));
    EXPECT_EQ(outcome, (Outcome{top, 0, true, 2}));

    const auto bottom = std::numeric_limits<std::int64_t>::min();
    asked.clear();
    const auto low = TargetSizeSolver::solve(-1, {bottom, bottom + 1}, 8, true, [&](std::int64_t quality) {
        asked.push_back(quality);
        return std::int64_t{0};
    });
    EXPECT_EQ(asked, (std::vector<std::int64_t>{bottom + 1, bottom}));
    EXPECT_EQ(low, (Outcome{bottom, 0, false, 2}));
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
