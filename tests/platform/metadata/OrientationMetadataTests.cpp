#include "platform/metadata/ExifOrientation.h"
#include "platform/metadata/XMPOrientation.h"
#include "support/ExifSamples.h"

#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

using namespace platform;
using testing_support::exifBlock;
using testing_support::exifTags;
using testing_support::withExifMarker;
using testing_support::xmpPacket;

namespace {

// What exiv2's own XMP parser reads as tiff:Orientation: nothing when the packet does not
// parse, an empty text when it parses without the property.
std::optional<std::string> parsedXmpOrientation(const std::string& text) {
    Exiv2::XmpData data;
    if (Exiv2::XmpParser::decode(data, text) != 0) return std::nullopt;
    auto found = data.findKey(Exiv2::XmpKey("Xmp.tiff.Orientation"));
    if (found == data.end()) return std::string();
    return found->toString();
}

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// A packet without an orientation, with `declarations` put into its description and
// `elements` before its title.
std::string packetWith(const std::string& declarations, const std::string& elements = "") {
    std::string text = xmpPacket(std::nullopt);
    replaceAll(text, "xmlns:dc=", declarations + " xmlns:dc=");
    replaceAll(text, "<dc:title>", elements + "<dc:title>");
    return text;
}

const std::string tiffNamespace = "http://ns.adobe.com/tiff/1.0/";

} // namespace

TEST(ExifOrientation, RewritesOrAddsTheTagInBothByteOrdersAndKeepsEveryOtherTag) {
    for (bool bigEndian : {false, true}) {
        for (std::optional<int> stored : {std::optional<int>(6), std::optional<int>()}) {
            SCOPED_TRACE(std::string(bigEndian ? "MM" : "II") + (stored ? " with tag" : " without tag"));
            const Bytes source = exifBlock(bigEndian, stored);
            const auto before = exifTags(source);
            ASSERT_EQ(before.count("Exif.Image.Make"), 1u);

            const auto patched = exifWithOrientation(source, 3);
            ASSERT_TRUE(patched);
            auto expected = before;
            expected["Exif.Image.Orientation"] = "3";
            EXPECT_EQ(exifTags(*patched), expected);
            EXPECT_EQ(exifOrientation(*patched), 3);
            // A tag that is there is rewritten in place: the block keeps its size.
            if (stored) {
                EXPECT_EQ(patched->size(), source.size());
            }
        }
    }
}

TEST(ExifOrientation, KeepsTheApp1MarkerAndLeavesAnAlreadyCorrectBlockAsItWas) {
    const Bytes tiff = exifBlock(false, 1);
    const Bytes marked = withExifMarker(tiff);

    const auto patched = exifWithOrientation(marked, 8);
    ASSERT_TRUE(patched);
    ASSERT_EQ(patched->size(), marked.size());
    EXPECT_TRUE(std::equal(marked.begin(), marked.begin() + 6, patched->begin()));
    EXPECT_EQ(exifTags(Bytes(patched->begin() + 6, patched->end())).at("Exif.Image.Orientation"), "8");

    EXPECT_EQ(exifWithOrientation(tiff, 1), tiff);
}

TEST(ExifOrientation, ReadsEveryIntegerTypeAndRewritesItAsTheShortReadersExpect) {
    using testing_support::exifBlockWithOrientationType;
    constexpr int byteType = 1, shortType = 3, longType = 4, signedByteType = 6, signedShortType = 8, signedLongType = 9;
    for (bool bigEndian : {false, true}) {
        for (int type : {byteType, shortType, longType, signedByteType, signedShortType, signedLongType}) {
            SCOPED_TRACE(std::string(bigEndian ? "MM" : "II") + " type " + std::to_string(type));
            const Bytes block = exifBlockWithOrientationType(bigEndian, type, 6);
            ASSERT_EQ(exifTags(block).at("Exif.Image.Orientation"), "6");
            EXPECT_EQ(exifOrientation(block), 6);

            const auto patched = exifWithOrientation(block, 5);
            ASSERT_TRUE(patched);
            EXPECT_EQ(exifOrientation(*patched), 5);
            Exiv2::ExifData data;
            Exiv2::ExifParser::decode(data, patched->data(), static_cast<std::uint32_t>(patched->size()));
            const auto tag = data.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
            ASSERT_NE(tag, data.end());
            EXPECT_EQ(tag->typeId(), Exiv2::unsignedShort);
            EXPECT_EQ(tag->toLong(), 5);
        }
        // Values no orientation has are no orientation, whatever their type.
        for (int value : {0, 9, -6, 65542})
            EXPECT_FALSE(exifOrientation(exifBlockWithOrientationType(bigEndian, signedLongType, value))) << value;
        EXPECT_FALSE(exifOrientation(exifBlockWithOrientationType(bigEndian, signedShortType, -1)));
    }
}

TEST(ExifOrientation, RefusesDamagedBlocksAndImpossibleOrientations) {
    const Bytes sound = exifBlock(true, 6);
    EXPECT_FALSE(exifWithOrientation(sound, 0));
    EXPECT_FALSE(exifWithOrientation(sound, 9));
    Bytes outside = sound; // IFD0 past the end
    outside[4] = 0x7F;
    Bytes intoHeader = sound;
    intoHeader[4] = intoHeader[5] = intoHeader[6] = 0;
    intoHeader[7] = 2;
    for (const auto& damaged : {Bytes{}, Bytes{'I', 'I', 42, 0}, Bytes{'I', 'M', 42, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                                Bytes{'M', 'M', 0, 43, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0}, outside, intoHeader})
        EXPECT_FALSE(exifWithOrientation(damaged, 1)) << damaged.size();

    // Every truncation either is refused or still reads back with the new orientation.
    for (std::size_t length = 0; length < sound.size(); ++length) {
        const auto patched = exifWithOrientation(Bytes(sound.begin(), sound.begin() + static_cast<std::ptrdiff_t>(length)), 2);
        EXPECT_TRUE(!patched || exifOrientation(*patched) == 2) << length;
    }
}

TEST(XMPOrientation, ReadsTheTIFFNamespacesFieldUnderAnyPrefixAndNothingElse) {
    // The cases a plain search for "tiff:Orientation" read wrongly: another prefix for the TIFF
    // namespace, "tiff" bound to another one, and the name mentioned before the field.
    const std::string otherPrefix = packetWith("xmlns:t=\"" + tiffNamespace + "\" t:Orientation=\"6\"");
    const std::string foreignTiff = packetWith("xmlns:tiff=\"urn:not-tiff\" tiff:Orientation=\"6\"");
    std::string mentionedFirst = xmpPacket(3);
    replaceAll(mentionedFirst, "xmlns:x=\"adobe:ns:meta/\"", "xmlns:x=\"adobe:ns:meta/\" x:xmptk=\"tiff:Orientation 5\"");
    // Then element form, blanks around the number, and values outside 1 to 8, which name nothing.
    const std::string element = packetWith("xmlns:tf=\"" + tiffNamespace + "\"", "<tf:Orientation> 8 </tf:Orientation>");
    const std::pair<std::string, std::optional<int>> cases[] = {
        {xmpPacket(6), 6}, {xmpPacket(std::nullopt), std::nullopt}, {otherPrefix, 6}, {foreignTiff, std::nullopt},
        {mentionedFirst, 3}, {element, 8}, {xmpPacket(9), std::nullopt}, {xmpPacket(0), std::nullopt},
        {"tiff:Orientation=\"6\"", std::nullopt}};
    for (const auto& [text, expected] : cases) EXPECT_EQ(xmpOrientation(XMPPacket{text}), expected) << text;
}

TEST(XMPOrientation, RewritesTheFieldKeepingEveryOtherByteOrAddsItToTheFirstDescription) {
    // The element form under any prefix, with another namespace's Orientation left alone.
    const std::string elements = packetWith("xmlns:t='" + tiffNamespace + "' xmlns:exif=\"urn:other\"",
                                            "<t:Orientation>6</t:Orientation><exif:Orientation>6</exif:Orientation>");
    std::string elementsAt8 = elements;
    replaceAll(elementsAt8, "<t:Orientation>6<", "<t:Orientation>8<");
    // Without an expected text the field is added; a packet that already uses "tiff" for
    // something else gets its own prefix.
    const std::tuple<std::string, int, std::optional<std::string>> cases[] = {
        {elements, 8, elementsAt8}, {xmpPacket(6), 1, xmpPacket(1)}, {xmpPacket(std::nullopt), 1, std::nullopt},
        {packetWith("xmlns:tiff=\"urn:not-tiff\""), 7, std::nullopt}};
    for (const auto& [text, orientation, expected] : cases) {
        const auto patched = xmpWithOrientation(XMPPacket{text}, orientation);
        ASSERT_TRUE(patched) << text;
        EXPECT_EQ(parsedXmpOrientation(patched->text), std::to_string(orientation)) << text;
        EXPECT_NE(patched->text.find("Harbour at dusk"), std::string::npos) << text;
        EXPECT_EQ(patched->text, expected.value_or(patched->text));
    }
}

TEST(XMPOrientation, ReadsEachPrefixByTheBindingInScopeAndNoAttributeValueAsMarkup) {
    const std::string tiff = "xmlns:tiff='" + tiffNamespace + "'";
    // "tiff" bound elsewhere, with the TIFF namespace's declaration only as an attribute's text,
    // or only on another description; and RDF by its default namespace, without a prefix.
    const std::string declaredInAValue = packetWith("xmlns:tiff=\"urn:not-tiff\" tiff:Orientation=\"" + tiff + "\"");
    std::string declaredOnASibling = packetWith("xmlns:tiff=\"urn:not-tiff\" tiff:Orientation=\"6\"");
    replaceAll(declaredOnASibling, "  </rdf:Description>", "  </rdf:Description><rdf:Description " + tiff + "/>");
    const std::string defaultRDF = "<x:xmpmeta xmlns:x='adobe:ns:meta/'><RDF xmlns='http://www.w3.org/1999/02/"
                                   "22-rdf-syntax-ns#'><Description xmlns:t='" + tiffNamespace +
                                   "' t:Orientation='5'/></RDF></x:xmpmeta>";
    const std::pair<std::string, std::optional<int>> cases[] = {
        {declaredInAValue, std::nullopt}, {declaredOnASibling, std::nullopt}, {defaultRDF, 5}};
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(xmpOrientation(XMPPacket{text}), expected) << text;
        // Set, the orientation reads back, as XMP's own parser reads it too where it reads the
        // source alike (it refuses a prefix bound to two namespaces), and setting it again
        // changes nothing.
        const auto patched = xmpWithOrientation(XMPPacket{text}, 3);
        ASSERT_TRUE(patched) << text;
        EXPECT_EQ(xmpOrientation(*patched), 3) << patched->text;
        if (parsedXmpOrientation(text) == (expected ? std::to_string(*expected) : "")) {
            EXPECT_EQ(parsedXmpOrientation(patched->text), "3") << patched->text;
        }
        const auto again = xmpWithOrientation(*patched, 3);
        ASSERT_TRUE(again);
        EXPECT_EQ(again->text, patched->text);
    }
}

TEST(XMPOrientation, RefusesOnlyWhatIsNotXMLOrHasNoDescription) {
    EXPECT_FALSE(xmpWithOrientation(XMPPacket{xmpPacket(6)}, 0));
    const std::string unterminated = xmpPacket(6).substr(0, xmpPacket(6).find("tiff:Orientation=\"") + 18);
    const std::string tiff = "xmlns:tiff=\"" + tiffNamespace + "\"";
    // Besides what is no packet: a start tag broken by a second one, which must not be read as
    // two fields sharing one value.
    for (const std::string& text : {std::string("not xmp at all"), std::string(), unterminated,
                                    packetWith(tiff, "<tiff:Orientation<tiff:Orientation>8</tiff:Orientation>")})
        EXPECT_FALSE(xmpWithOrientation(XMPPacket{text}, 1)) << text;
}

TEST(XMPOrientation, ReadsPacketsOfVeryManyAttributesOrPrefixesInOnePass) {
    // A file may carry megabytes of packet. Each attribute's value is checked for a '<' within
    // itself, never up to the next tag, and each prefix declared is looked up, never compared
    // with every other: either would take a thread minutes to read such a packet.
    std::string attributes;
    for (int index = 0; index < 1500000; ++index) attributes += " d" + std::to_string(index) + "='1'";
    std::string prefixes;
    for (int index = 0; index < 200000; ++index)
        prefixes += " xmlns:r" + std::to_string(index) + "='http://www.w3.org/1999/02/22-rdf-syntax-ns#'";
    for (const std::string& many : {attributes, prefixes}) {
        const std::string text = packetWith("xmlns:tiff=\"" + tiffNamespace + "\" tiff:Orientation=\"6\"" + many);
        EXPECT_EQ(xmpOrientation(XMPPacket{text}), 6);
    }
}

TEST(XmpPixelDimensions, RewritesOnlyTheSizesThePacketHolds) {
    std::string text = xmpPacket(6);
    replaceAll(text, "xmlns:dc=",
               "xmlns:e=\"http://ns.adobe.com/exif/1.0/\" e:PixelXDimension=\"4000\" xmlns:dc=");
    replaceAll(text, "<dc:title>", "<e:PixelYDimension>3000</e:PixelYDimension><dc:title>");
    const auto patched = xmpWithPixelDimensions(XMPPacket{text}, 640, 480);
    ASSERT_TRUE(patched);
    std::string expected = text;
    replaceAll(expected, "\"4000\"", "\"640\"");
    replaceAll(expected, ">3000<", ">480<");
    EXPECT_EQ(patched->text, expected);
    // Empty, they are replaced rather than a reason to refuse the packet.
    std::string empty = text;
    replaceAll(empty, "\"4000\"", "\"\"");
    replaceAll(empty, "<e:PixelYDimension>3000</e:PixelYDimension>", "<e:PixelYDimension/>");
    EXPECT_EQ(xmpWithPixelDimensions(XMPPacket{empty}, 640, 480).value_or(XMPPacket{}).text, expected);

    // Nothing is added to a packet without them; one that cannot be read as written is refused.
    EXPECT_EQ(xmpWithPixelDimensions(XMPPacket{xmpPacket(1)}, 640, 480)->text, xmpPacket(1));
    std::string broken = text.substr(0, text.find("PixelXDimension=\"") + 17);
    EXPECT_FALSE(xmpWithPixelDimensions(XMPPacket{broken}, 640, 480));
}
