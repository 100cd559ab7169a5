#include "platform/pixels/LibraryThreads.h"
#include "platform/write/ImageWriter.h"
#include "support/SampleImages.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace platform;
using namespace testing_support;

namespace {

std::atomic<std::int64_t> lendable{0};
std::atomic<std::int64_t> outstanding{0};

std::int64_t lendUpTo(std::int64_t wanted) {
    const std::int64_t granted = std::min(wanted, lendable.load());
    outstanding += granted;
    return granted;
}

void takeBack(std::int64_t count) { outstanding -= count; }

// Installs the counting lender for one test and restores the platform's defaults after it.
class WithLender : public ::testing::Test {
protected:
    void SetUp() override { LibraryThreads::install(&lendUpTo, &takeBack); }
    // Whatever lender the program had installed, these tests leave none.
    void TearDown() override { LibraryThreads::install(nullptr, nullptr); }
};

} // namespace

TEST_F(WithLender, ALeaseHoldsWhatWasLentUntilItEndsAndWithoutALenderTheLibraryKeepsItsDefault) {
    lendable = 2;
    {
        const LibraryThreads::Lease lease(5);
        EXPECT_EQ(lease.threads(), 3);
        EXPECT_EQ(outstanding.load(), 2);
        const LibraryThreads::Lease none(0);
        EXPECT_EQ(none.threads(), 1);
    }
    EXPECT_EQ(outstanding.load(), 0);
    LibraryThreads::install(nullptr, nullptr);
    EXPECT_EQ(LibraryThreads::Lease(3).threads(), std::nullopt);
}

TEST_F(WithLender, AVIFBytesDoNotDependOnHowManyProcessorsWereSpare) {
    // A file must be the same whether the machine was idle or busy while it was encoded.
    const auto image = patternImage(96, 80, 8, 3, AlphaInfo::none);
    WriterProperties properties;
    properties.lossyQuality = 0.8;
    lendable = 0;
    const auto alone = ImageWriter::write("public.avif", {image}, properties);
    lendable = 7;
    const auto spread = ImageWriter::write("public.avif", {image}, properties);
    ASSERT_TRUE(alone && spread);
    EXPECT_EQ(*alone, *spread);
    EXPECT_EQ(outstanding.load(), 0);
}
