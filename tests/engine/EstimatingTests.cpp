#include "ImageEngine/Running/EncodeExecutor.h"
#include "ImageEngine/Model/Estimating.h"

#include "platform/base/Cancellation.h"
#include "platform/files/FilePath.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

using namespace pictavo;
using testing_support::TemporaryFolder;

namespace {

// The plainest estimator there is: the output is the source as it stands. It reads the
// real file as a job of a real executor, as every estimator does.
class SourceSizeEstimator : public Estimating {
public:
    mutable std::vector<std::int64_t> pagesAsked;

protected:
    std::future<Estimate> startEstimate(const std::filesystem::path& source, const OutputSpec&, std::int64_t page,
                                        std::stop_token stop) const override {
        pagesAsked.push_back(page);
        return executor_.encoding(std::move(stop), [source](std::stop_token token) {
            platform::throwIfCancelled(token);
            return Estimate{static_cast<std::int64_t>(platform::readWholeFile(source).size()), {}};
        });
    }

private:
    mutable EncodeExecutor executor_{1};
};

OutputSpec pngSpec() {
    return OutputSpec{OutputFormat::png(),    ResizeSpec::original(), QualityMode::lossless(), MetadataPolicy::strip,
                      ColourPolicy::preserve, MatteColour::white(),   Adjustments::none(),     "{name}"};
}

} // namespace

TEST(Estimating, TheShortFormAsksForTheFirstPageAndErrorsArriveThroughTheFuture) {
    TemporaryFolder folder;
    const auto source = folder.write("a.png", platform::Bytes(1234, 7));
    SourceSizeEstimator estimator;
    const Estimating& estimating = estimator;
    EXPECT_EQ(estimating.estimate(source, pngSpec()).get(), (Estimate{1234, {}}));
    EXPECT_EQ(estimating.estimate(source, pngSpec(), 3).get().bytes, 1234);
    EXPECT_EQ(estimator.pagesAsked, (std::vector<std::int64_t>{1, 3}));

    EXPECT_THROW(estimator.estimate(folder.file("gone.png"), pngSpec()).get(), platform::FileError);
    std::stop_source stop;
    stop.request_stop();
    EXPECT_THROW(estimator.estimate(source, pngSpec(), 1, stop.get_token()).get(), platform::CancellationError);
}
