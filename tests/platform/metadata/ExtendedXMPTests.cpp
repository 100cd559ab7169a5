#include "platform/metadata/ExtendedXMP.h"
#include "platform/metadata/JPEGExtendedXMP.h"
#include "platform/metadata/MD5.h"

#include "support/JPEGSamples.h"
#include "support/XMPSamples.h"

#include <gtest/gtest.h>

using namespace testing_support;
using platform::XMPPacket;

namespace {

constexpr std::size_t standardLimit = 65504; // a JPEG segment after the XMP signature

std::string withoutKey(std::map<std::string, std::string> properties, const std::string& key) {
    properties.erase(key);
    std::string joined;
    for (const auto& [name, value] : properties) joined += name + "=" + value + "\n";
    return joined;
}

std::size_t historyEntries(const std::map<std::string, std::string>& properties) {
    std::size_t count = 0;
    for (const auto& [key, value] : properties)
        if (key.starts_with("Xmp.xmpMM.History[") && key.ends_with("/stEvt:instanceID")) ++count;
    return count;
}

platform::ByteView view(const platform::Bytes& bytes) { return {bytes.data(), bytes.size()}; }

} // namespace

TEST(MD5, DigestsMatchTheReferenceAcrossBlockBoundaries) {
    const std::vector<std::pair<std::string, std::string>> references{
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {std::string(55, 'a'), "EF1772B6DFF9A122358552954AD0DF65"},
        {std::string(56, 'a'), "3B0C8AC703F828B04C6C197006D17218"},
        {std::string(64, 'a'), "014842D480B571495A4A0363793F7367"},
        {std::string(119, 'a'), "8A7BD0732ED6A28CE75F6DABC90E1613"},
        {std::string(1000, 'a'), "CABE45DCC9AE5B66BA86600CCA6B8BA8"}};
    for (const auto& [text, digest] : references) EXPECT_EQ(platform::md5UpperHex(text), digest) << text.size();
}

TEST(ExtendedXMP, ALongHistoryMovesToTheExtensionAndMergesBackWhole) {
    const XMPPacket packet{xmpPacketWithHistory(600)};
    ASSERT_GT(packet.text.size(), 130'000u);
    const auto original = xmpProperties(packet.text);
    ASSERT_EQ(historyEntries(original), 600u);

    auto split = platform::splitXMP(packet, standardLimit);
    ASSERT_TRUE(split) << split.cause();
    EXPECT_LE(split->standard.text.size(), standardLimit);
    EXPECT_EQ(split->guid, glibMd5Guid(split->extended));

    // What is small and most read stays in the standard packet, which names the rest.
    const auto standard = xmpProperties(split->standard.text);
    EXPECT_EQ(standard.at("Xmp.xmpNote.HasExtendedXMP"), split->guid);
    EXPECT_EQ(standard.at("Xmp.dc.title"), original.at("Xmp.dc.title"));
    EXPECT_EQ(standard.at("Xmp.tiff.Orientation"), "1");
    EXPECT_EQ(standard.at("Xmp.xmp.Rating"), "4");
    EXPECT_EQ(historyEntries(standard), 0u);
    const auto extended = xmpProperties(split->extended);
    EXPECT_EQ(historyEntries(extended), 600u);
    EXPECT_EQ(split->extended.find("<?xpacket"), std::string::npos);

    auto merged = platform::mergedXMP(split->standard, split->extended);
    ASSERT_TRUE(merged);
    EXPECT_EQ(withoutKey(xmpProperties(merged->text), ""), withoutKey(original, ""));
    EXPECT_EQ(platform::extendedXMPGuid(split->standard), split->guid);
    EXPECT_FALSE(platform::extendedXMPGuid(*merged));
}

TEST(ExtendedXMP, APacketLargeOnlyByItsPaddingNeedsNoExtension) {
    std::string text = xmpPacketWithHistory(3);
    text.insert(text.find("<?xpacket end"), std::string(80'000, ' '));
    auto split = platform::splitXMP(XMPPacket{text}, standardLimit);
    ASSERT_TRUE(split) << split.cause();
    EXPECT_TRUE(split->extended.empty());
    EXPECT_LE(split->standard.text.size(), 4000u);
    EXPECT_EQ(historyEntries(xmpProperties(split->standard.text)), 3u);
    EXPECT_FALSE(platform::extendedXMPGuid(split->standard));

    auto unreadable = platform::splitXMP(XMPPacket{std::string(70'000, '<')}, standardLimit);
    EXPECT_FALSE(unreadable);
    EXPECT_NE(unreadable.cause().find("70000 bytes"), std::string::npos);
}

TEST(JPEGExtendedXMP, ChunksInAnyOrderAreJoinedAndAnythingUnsoundIsRefused) {
    auto split = platform::splitXMP(XMPPacket{xmpPacketWithHistory(600)}, standardLimit);
    ASSERT_TRUE(split);
    const std::string& extended = split->extended;
    const std::string& guid = split->guid;
    const platform::Bytes jpeg = makeJpeg(16, 16);
    constexpr std::size_t chunk = 30'000;
    const std::size_t chunks = (extended.size() + chunk - 1) / chunk;
    ASSERT_GE(chunks, 3u);

    std::vector<std::size_t> reversed;
    for (std::size_t index = chunks; index-- > 0;) reversed.push_back(index);
    const auto file = withExtendedXMP(jpeg, split->standard.text, extended, guid, chunk, reversed);
    EXPECT_EQ(platform::jpegExtendedXMP(view(file), guid).value_or(""), extended);
    // The GUID's letters in either case name the same packet.
    std::string lower = guid;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(platform::jpegExtendedXMP(view(file), lower).value_or(""), extended);

    const auto merged = platform::jpegXMPWithExtension(split->standard, view(file));
    EXPECT_EQ(historyEntries(xmpProperties(merged.text)), 600u);
    EXPECT_FALSE(platform::extendedXMPGuid(merged));

    // Complete and consistent but one character changed without the GUID renamed: read, as
    // ExifTool reads it.
    std::string altered = extended;
    altered[altered.find("stEvt:action") + 20] ^= 1;
    const auto alteredFile = withExtendedXMP(jpeg, split->standard.text, altered, guid, chunk);
    EXPECT_EQ(platform::jpegExtendedXMP(view(alteredFile), guid).value_or(""), altered);

    // A chunk missing, one written twice over another's bytes, another GUID: the standard
    // packet stays as it was, except that it no longer names an extension it does not carry.
    std::vector<std::size_t> missing;
    for (std::size_t index = 1; index < chunks; ++index) missing.push_back(index);
    const std::string otherGuid(32, 'A');
    const std::vector<platform::Bytes> unsound{
        withExtendedXMP(jpeg, split->standard.text, extended, guid, chunk, missing),
        withExtendedXMP(jpeg, split->standard.text, extended, otherGuid, chunk),
        // Every chunk, and one more of 20,000 bytes at offset 20,000 over the first.
        withExtendedXMP(withExtendedXMP(jpeg, split->standard.text, extended, guid, chunk), "", extended, guid, 20'000, {1}),
        jpeg};
    for (std::size_t i = 0; i < unsound.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_FALSE(platform::jpegExtendedXMP(view(unsound[i]), guid));
        const auto kept = xmpProperties(platform::jpegXMPWithExtension(split->standard, view(unsound[i])).text);
        EXPECT_EQ(withoutKey(kept, ""), withoutKey(xmpProperties(split->standard.text), "Xmp.xmpNote.HasExtendedXMP"));
    }

    // Cut anywhere, a file is read only as far as it goes.
    for (std::size_t keep : {std::size_t{3}, std::size_t{40}, file.size() / 3, file.size() - jpeg.size()}) {
        platform::Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(keep));
        EXPECT_FALSE(platform::jpegExtendedXMP(view(cut), guid)) << keep;
    }
}

TEST(ExtendedXMP, TheTitleDatesRatingAndOrientationStayInTheStandardPacketWhateverTheirSize) {
    // A 3 kB title among forty 2 kB properties: the largest, yet readers without extended XMP
    // must still find it.
    std::string packet = xmpPacketWithHistory(1);
    packet.replace(packet.find("Harbour at dusk"), 15, std::string(3000, 't'));
    std::string notes = "xmlns:ex=\"http://example.com/pictavo-notes/\"";
    for (int i = 0; i < 40; ++i) notes += " ex:Note" + std::to_string(i) + "=\"" + std::string(2000, 'n') + "\"";
    packet.insert(packet.find("xmpMM:DocumentID="), notes + " ");
    const auto split = platform::splitXMP(XMPPacket{packet}, standardLimit);
    ASSERT_TRUE(split) << split.cause();
    ASSERT_FALSE(split->extended.empty());
    const auto standard = xmpProperties(split->standard.text);
    for (const char* key : {"Xmp.dc.title", "Xmp.xmp.Rating", "Xmp.xmp.CreateDate", "Xmp.tiff.Orientation"})
        EXPECT_EQ(standard.count(key), 1u) << key;
}
