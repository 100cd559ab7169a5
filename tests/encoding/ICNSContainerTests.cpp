#include "ImageEngine/Encoding/icns/ICNSContainer.h"
#include "PNGFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace pictavo;
using platform::Bytes;

namespace {

Bytes pngOfSide(int side) { return png_files::encode(png_files::picture(side, side, 6, 8, false, side)); }

std::vector<std::string> typesOf(const Bytes& file) {
    std::vector<std::string> types;
    for (const auto& element : png_files::icnsElements(file)) types.push_back(element.first);
    return types;
}

} // namespace

TEST(ICNSContainer, TheMacLadderGivesTenElementsInTableOrder) {
    std::map<std::int64_t, Bytes> pngs;
    for (const int side : {1024, 512, 256, 128, 64, 32, 16}) pngs[side] = pngOfSide(side);
    const auto file = ICNSContainer::write(pngs);
    ASSERT_TRUE(file);
    const auto elements = png_files::icnsElements(*file);
    EXPECT_EQ(typesOf(*file), (std::vector<std::string>{"icp4", "ic11", "icp5", "ic12", "ic07", "ic13", "ic08", "ic14",
                                                        "ic09", "ic10"}));
    // Each element holds the PNG of its side, and a shared side the same bytes twice.
    for (std::size_t i = 0; i < elements.size(); ++i)
        EXPECT_EQ(elements[i].second, pngs[ICNSContainer::elementTable[i].side]) << elements[i].first;
    EXPECT_EQ(png_files::decode(elements[9].second)->width, 1024);
}

TEST(ICNSContainer, SidesWithoutAnElementAreLeftOutAndAloneGiveNothing) {
    EXPECT_FALSE(ICNSContainer::write({}));
    EXPECT_FALSE(ICNSContainer::write({{48, pngOfSide(48)}}));
    const auto file = ICNSContainer::write({{48, pngOfSide(48)}, {32, pngOfSide(32)}});
    ASSERT_TRUE(file);
    EXPECT_EQ(typesOf(*file), (std::vector<std::string>{"ic11", "icp5"}));
    const Bytes large = pngOfSide(1024);
    const auto one = ICNSContainer::write({{1024, large}});
    ASSERT_TRUE(one);
    EXPECT_EQ(one->size(), 16 + large.size());
    EXPECT_EQ(typesOf(*one), std::vector<std::string>{"ic10"});
}
