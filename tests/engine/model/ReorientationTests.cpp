#include "ImageEngine/Model/Adjustments.h"
#include "ImageEngine/Model/Reorientation.h"

#include "JsonDecoding.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>

using pictavo::Adjustments;
using pictavo::Reorientation;
using platform::Size;
namespace json = platform::json;

constexpr auto decodedReorientation = engine_testing::decoded<Reorientation>;
constexpr auto decodedAdjustments = engine_testing::decoded<Adjustments>;

TEST(Reorientation, TheEightValuesAreNormalisedStayAmongThemselvesAndReadFromJsonModuloFourAsDoAdjustments) {
    struct Row { std::int64_t turns; bool mirrored; const char* description; std::uint32_t exif; };
    const Row rows[] = {
        {0, false, "Unchanged", 1},            {1, false, "Turned right", 6},
        {2, false, "Turned upside down", 3},   {3, false, "Turned left", 8},
        {0, true, "Flipped horizontally", 2},  {1, true, "Flipped and turned right", 7},
        {2, true, "Flipped vertically", 4},    {3, true, "Flipped and turned left", 5},
    };
    for (const auto& row : rows) {
        const Reorientation value(row.turns, row.mirrored);
        EXPECT_EQ(value.description(), row.description);
        EXPECT_EQ(value.exifEquivalent(), row.exif) << row.description;
        EXPECT_EQ(Reorientation::uprighting(row.exif), value) << row.description;
    }
    EXPECT_EQ(Reorientation::uprighting(0), Reorientation::none());
    EXPECT_EQ(Reorientation::uprighting(9), Reorientation::none());

    // Turns are kept modulo four, so what is read from them follows from equality.
    EXPECT_EQ(Reorientation(5, false), Reorientation(1, false));
    EXPECT_EQ(Reorientation(-1, true).quarterTurns(), 3);
    EXPECT_TRUE(Reorientation(4, false).isIdentity());
    EXPECT_TRUE(Reorientation(-8, false).isIdentity());
    EXPECT_EQ(Reorientation(std::numeric_limits<std::int64_t>::min(), false).quarterTurns(), 0);
    EXPECT_EQ(Reorientation(std::numeric_limits<std::int64_t>::max(), false).quarterTurns(), 3);
    EXPECT_EQ(Reorientation(-6, false).hash(), Reorientation(2, false).hash());

    const Reorientation right(1, false);
    EXPECT_EQ(right.flippedHorizontally(), Reorientation(3, true));
    EXPECT_EQ(right.flippedVertically(), Reorientation(1, true));
    EXPECT_EQ(Reorientation::none().rotatedLeft(), Reorientation(3, false));
    EXPECT_EQ(Reorientation(3, true).rotatedRight(), Reorientation(0, true));
    EXPECT_EQ(Reorientation(3, false).turnedHalfway(), Reorientation(1, false));
    const Size photo{4000, 3000};
    std::set<std::uint32_t> exif;
    for (const auto& value : Reorientation::all()) {
        EXPECT_EQ(value.rotatedRight().rotatedLeft(), value);
        EXPECT_EQ(value.flippedHorizontally().flippedHorizontally(), value);
        EXPECT_EQ(value.flippedVertically().flippedVertically(), value);
        EXPECT_EQ(value.turnedHalfway().turnedHalfway(), value);
        // Flipping both ways is a half turn.
        EXPECT_EQ(value.flippedHorizontally().flippedVertically(), value.turnedHalfway());
        // Quarter turns swap the sides.
        const bool odd = value.quarterTurns() % 2 == 1;
        EXPECT_EQ(value.swapsAxes(), odd);
        EXPECT_EQ(value.outputSize(photo), odd ? (Size{3000, 4000}) : photo);
        EXPECT_EQ(value.inputSize(value.outputSize(photo)), photo);
        exif.insert(value.exifEquivalent());
    }
    EXPECT_EQ(exif.size(), 8u);

    EXPECT_EQ(json::write(Reorientation(3, true).encode()), R"({"quarterTurns":3,"mirrored":true})");
    EXPECT_EQ(decodedReorientation(R"({"quarterTurns":6})"), Reorientation(2, false));
    EXPECT_EQ(decodedReorientation(R"({"quarterTurns":-1,"mirrored":true})"), Reorientation(3, true));
    EXPECT_EQ(decodedReorientation("{}"), Reorientation::none());
    EXPECT_EQ(decodedReorientation(R"({"quarterTurns":null,"mirrored":null})"), Reorientation::none());
    EXPECT_EQ(decodedReorientation(R"({"quarterTurns":9223372036854775807})"), Reorientation(3, false));
    for (const char* text : {R"({"mirrored":1})", R"({"quarterTurns":1.5})", R"({"quarterTurns":1e30})", "[]"})
        EXPECT_THROW(decodedReorientation(text), json::DecodingError) << text;

    EXPECT_TRUE(Adjustments::none().isIdentity());
    EXPECT_FALSE((Adjustments{Reorientation::none(), true}).isIdentity());
    EXPECT_FALSE((Adjustments{Reorientation(0, true), false}).isIdentity());
    EXPECT_TRUE((Adjustments{Reorientation(4, false), false}).isIdentity());

    const Adjustments turned{Reorientation(1, true), true};
    EXPECT_EQ(json::write(turned.encode()), R"({"reorientation":{"quarterTurns":1,"mirrored":true},"greyscale":true})");
    EXPECT_EQ(decodedAdjustments(json::write(turned.encode())), turned);
    EXPECT_EQ(decodedAdjustments(R"({"reorientation":{},"greyscale":false})"), Adjustments::none());
    EXPECT_NE(turned, (Adjustments{Reorientation(1, true), false}));
    EXPECT_NE(turned.hash(), (Adjustments{Reorientation(1, true), false}).hash());

    for (const char* text : {R"({"greyscale":false})", R"({"reorientation":{}})"}) {
        EXPECT_EQ(engine_testing::decodingFailure([&] { decodedAdjustments(text); }).kind(),
                  json::DecodingError::Kind::keyNotFound) << text;
    }
}
