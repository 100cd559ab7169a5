#include "ImageEngine/Encoding/ICNSContainer.h"
#include "PNGFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace pictavo;
using platform::Bytes;

namespace {

struct ReadElement {
    std::string type;
    Bytes png;
};

std::uint32_t bigEndian32(const Bytes& bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 | std::uint32_t{bytes[at + 2]} << 8 |
           bytes[at + 3];
}

// Walks the container as an icon reader would, checking every length on the way.
std::vector<ReadElement> readElements(const Bytes& file) {
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "icns");
    EXPECT_EQ(bigEndian32(file, 4), file.size());
    std::vector<ReadElement> elements;
    std::size_t at = 8;
    while (at + 8 <= file.size()) {
        const std::uint32_t length = bigEndian32(file, at + 4);
        EXPECT_GE(length, 8u);
        EXPECT_LE(at + length, file.size());
        elements.push_back({std::string(file.begin() + at, file.begin() + at + 4),
                            Bytes(file.begin() + at + 8, file.begin() + at + length)});
        at += length;
    }
    EXPECT_EQ(at, file.size());
    return elements;
}

Bytes pngOfSide(int side) { return png_files::encode(png_files::picture(side, side, 6, 8, false, side)); }

} // namespace

TEST(ICNSContainer, TheMacLadderGivesTenElementsInTableOrder) {
    std::map<std::int64_t, Bytes> pngs;
    std::size_t expectedLength = 8;
    for (const int side : {1024, 512, 256, 128, 64, 32, 16}) pngs[side] = pngOfSide(side);
    for (const auto& element : ICNSContainer::elementTable) expectedLength += 8 + pngs[element.side].size();

    const auto file = ICNSContainer::write(pngs);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->size(), expectedLength);
    const auto elements = readElements(*file);
    std::vector<std::string> types;
    for (const auto& element : elements) types.push_back(element.type);
    EXPECT_EQ(types, (std::vector<std::string>{"icp4", "ic11", "icp5", "ic12", "ic07", "ic13", "ic08", "ic14", "ic09",
                                               "ic10"}));
    // Each element holds the PNG of its side, and a shared side the same bytes twice.
    for (std::size_t i = 0; i < elements.size(); ++i)
        EXPECT_EQ(elements[i].png, pngs[ICNSContainer::elementTable[i].side]) << types[i];
    EXPECT_EQ(png_files::decode(elements[9].png)->width, 1024);
}

TEST(ICNSContainer, OneLargePictureGivesOneElement) {
    const Bytes png = pngOfSide(1024);
    const auto file = ICNSContainer::write({{1024, png}});
    ASSERT_TRUE(file);
    EXPECT_EQ(file->size(), 16 + png.size());
    const auto elements = readElements(*file);
    ASSERT_EQ(elements.size(), 1u);
    EXPECT_EQ(elements[0].type, "ic10");
}

TEST(ICNSContainer, SidesWithoutAnElementAreLeftOutAndAloneGiveNothing) {
    EXPECT_FALSE(ICNSContainer::write({}));
    EXPECT_FALSE(ICNSContainer::write({{48, pngOfSide(48)}}));
    const auto file = ICNSContainer::write({{48, pngOfSide(48)}, {32, pngOfSide(32)}});
    ASSERT_TRUE(file);
    const auto elements = readElements(*file);
    ASSERT_EQ(elements.size(), 2u);
    EXPECT_EQ(elements[0].type, "ic11");
    EXPECT_EQ(elements[1].type, "icp5");
}
