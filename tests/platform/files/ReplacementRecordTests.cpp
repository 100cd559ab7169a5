#include "platform/files/ReplacementRecord.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

namespace {

using platform::ClaimPlace;
using platform::ReplacementRecord;

TEST(ReplacementRecords, ReadBackAsWrittenAndNothingElseIsOne) {
    for (const ReplacementRecord& record :
         {ReplacementRecord{"IMG_0007.JPG", {1234, 1'700'000'000'123'456'789}}, ReplacementRecord{"a\nb %.png", {0, {}}}}) {
        EXPECT_EQ(platform::parseReplacementRecord(platform::replacementRecordText(record)), record);
    }
    const std::string good = platform::replacementRecordText({"photo.png", {10, 20}});
    // Cut short while written, a name that leaves its folder, and numbers that are not.
    for (const std::string& text : {good.substr(0, good.size() - 9), good.substr(0, 25),
                                    platform::replacementRecordText({"photo.png/../x", {10, 20}}),
                                    std::string("Pictavo replacement\n10\n20\nphoto.png/../x"),
                                    std::string("Pictavo replacement\n-1\n20\nphoto.png"),
                                    std::string("Pictavo replacement\n10\n2x\nphoto.png"),
                                    std::string("Pictavo replacement\n10\n20\n.."), std::string()}) {
        EXPECT_FALSE(platform::parseReplacementRecord(text)) << text;
    }
}

// Claims are appended to a record as they are made; a record from before claims were noted
// still reads, and a claim cut short while appended was never made, so it is passed over.
TEST(ReplacementRecords, ClaimsAppendedReadBackAndOnesCutShortArePassedOver) {
    const ReplacementRecord claimed{"IMG_0007.JPG", {1234, 56}, "IMG_0007-1.JPG", "IMG_0007.2.JPG"};
    EXPECT_EQ(platform::parseReplacementRecord(platform::replacementRecordText(claimed)), claimed);
    const ReplacementRecord underAnotherName{.name = "IMG_0007.png",
                                             .original = {1234, 56},
                                             .claimedTrashName = "IMG_0007.JPG",
                                             .originalName = "IMG_0007.JPG"};
    EXPECT_EQ(platform::parseReplacementRecord(platform::replacementRecordText(underAnotherName)), underAnotherName);
    EXPECT_EQ(platform::parseReplacementRecord("Pictavo replacement\n1234\n-\nIMG_0007.JPG"),
              (ReplacementRecord{"IMG_0007.JPG", {1234, {}}, std::nullopt, std::nullopt}));

    testing_support::TemporaryFolder folder;
    const auto path = folder.file(".export-1.replacing");
    {
        const platform::FileDescriptor held = platform::writeHeldReplacementRecord(path, {"IMG_0007.JPG", {1234, 56}});
        EXPECT_FALSE(platform::takeOverReplacementRecord(path)) << "a record its writer holds is not taken over";
        platform::noteReplacementClaim(held, path, ClaimPlace::folder, "IMG_0007.JPG");
        platform::noteReplacementClaim(held, path, ClaimPlace::trash, "IMG_0007.2.JPG");
        platform::noteReplacementClaim(held, path, ClaimPlace::folder, "IMG_0007-1.JPG");
    }
    // A fourth claim cut short at every byte, and a disk pulled out that left zeros.
    const std::string whole = [&] {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    for (const std::string& tail : {std::string("folder 12\nIMG_0007-2.J"), std::string("fol"),
                                    std::string("folder 12\nIMG_0007-2.JPG"), std::string(512, '\0'),
                                    std::string("folder 4\n../x\n")}) {
        SCOPED_TRACE(tail);
        EXPECT_EQ(platform::parseReplacementRecord(whole + tail), claimed);
    }

    const std::optional<platform::TakenOverRecord> taken = platform::takeOverReplacementRecord(path);
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->record, claimed);
    struct stat status {};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(taken->writtenNanoseconds, std::int64_t{status.st_mtim.tv_sec} * 1'000'000'000 + status.st_mtim.tv_nsec);
    // The sweep that took it over notes its own claims in it.
    platform::noteReplacementClaim(taken->lock, path, ClaimPlace::folder, "IMG_0007.JPG");
    EXPECT_FALSE(platform::takeOverReplacementRecord(path)) << "held by the sweep";
    std::ifstream in(path);
    const std::string noted(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(platform::parseReplacementRecord(noted)->claimedName, "IMG_0007.JPG");
}

} // namespace
