#include "ImageEngine/Model/ResizeSpec.h"

#include "JsonDecoding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using pictavo::ResizeSpec;
using platform::Size;
using testing_support::thrown;
namespace json = platform::json;

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();

constexpr auto decoded = engine_testing::decoded<ResizeSpec>;

std::string encoded(const ResizeSpec& spec) { return json::write(spec.encode()); }

json::DecodingError decodingFailure(const char* text) {
    return engine_testing::decodingFailure([&] { decoded(text); });
}

} // namespace

TEST(ResizeSpec, TargetSizesUpscaleOnlyWhenAllowedRoundHalfAwayNeverFallBelowOneAndStayDoublesForTheRenderGuard) {
    const Size photo{4000, 3000}, square{100, 100};
    struct Case { ResizeSpec spec; Size source; bool upscale; Size target; };
    const Case cases[] = {
        {ResizeSpec::percentage(0.5), photo, false, {2000, 1500}}, {ResizeSpec::scale(0.5), photo, false, {2000, 1500}},
        {ResizeSpec::longestEdge(1000), photo, false, {1000, 750}}, {ResizeSpec::fit(800, std::nullopt), photo, false, {800, 600}},
        {ResizeSpec::fit(std::nullopt, 600), photo, false, {800, 600}}, {ResizeSpec::fit(800, 800), photo, false, {800, 600}},
        {ResizeSpec::fit(std::nullopt, std::nullopt), photo, false, photo}, {ResizeSpec::original(), photo, false, photo},
        // The tighter bound wins, whichever side it is on.
        {ResizeSpec::fit(2000, 500), photo, false, {667, 500}},
        {ResizeSpec::scale(2), {100, 50}, true, {200, 100}}, {ResizeSpec::scale(2), {100, 50}, false, {100, 50}},
        {ResizeSpec::longestEdge(5000), photo, false, photo}, {ResizeSpec::fit(8000, 8000), photo, true, {8000, 6000}},
        // Fractional sources round to whole pixels even at their own size.
        {ResizeSpec::original(), {10.5, 3.2}, false, {11, 3}},
        {ResizeSpec::scale(0.001), square, false, {1, 1}}, {ResizeSpec::longestEdge(3), {1000, 333}, false, {3, 1}},
        {ResizeSpec::scale(0.5), {5, 5}, false, {3, 3}}, {ResizeSpec::fit(0, -10), square, true, {1, 1}},
        {ResizeSpec::scale(std::nan("")), square, true, {1, 1}}, {ResizeSpec::scale(-2), square, true, {1, 1}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(cases[i].spec.targetSize(cases[i].source, cases[i].upscale), cases[i].target) << "case " << i;
    for (const auto& spec : {ResizeSpec::original(), ResizeSpec::scale(2), ResizeSpec::longestEdge(100),
                             ResizeSpec::fit(10, 10), ResizeSpec::percentage(0.5)})
        for (const Size unusable : {Size{0, 100}, Size{100, -1}, Size{std::nan(""), 100}})
            EXPECT_EQ(spec.targetSize(unusable, true), (Size{1, 1}));

    const Size huge = ResizeSpec::scale(1e308).targetSize(photo, true);
    EXPECT_TRUE(std::isinf(huge.width) && std::isinf(huge.height)) << huge.width << " by " << huge.height;
    EXPECT_EQ(ResizeSpec::percentage(1e10).targetSize(photo, true), (Size{4e13, 3e13}));
    EXPECT_EQ(ResizeSpec::longestEdge(std::numeric_limits<std::int64_t>::max()).targetSize({2, 1}, true).width,
              9223372036854775807.0);
}

TEST(ResizeSpec, StoredValuesAndTypedDimensionsAreBroughtWithinBounds) {
    EXPECT_EQ(ResizeSpec::fit(0, 5'000'000).withinStorageBounds(), ResizeSpec::fit(1, 1'000'000));
    EXPECT_EQ(ResizeSpec::fit(std::nullopt, -3).withinStorageBounds(), ResizeSpec::fit(std::nullopt, 1));
    EXPECT_EQ(ResizeSpec::fit(std::nullopt, std::nullopt).withinStorageBounds(),
              ResizeSpec::fit(std::nullopt, std::nullopt));
    EXPECT_EQ(ResizeSpec::longestEdge(-4).withinStorageBounds(), ResizeSpec::longestEdge(1));
    EXPECT_EQ(ResizeSpec::longestEdge(std::numeric_limits<std::int64_t>::max()).withinStorageBounds(),
              ResizeSpec::longestEdge(1'000'000));
    for (double bad : {0.0, -1.0, std::nan(""), infinity, -infinity}) {
        EXPECT_EQ(ResizeSpec::scale(bad).withinStorageBounds(), ResizeSpec::original()) << bad;
        EXPECT_EQ(ResizeSpec::percentage(bad).withinStorageBounds(), ResizeSpec::original()) << bad;
    }
    EXPECT_EQ(ResizeSpec::scale(250).withinStorageBounds(), ResizeSpec::scale(250));
    EXPECT_EQ(ResizeSpec::percentage(1e308).withinStorageBounds(), ResizeSpec::percentage(1e308));

    // Other scripts' digits are not ASCII digits.
    const std::pair<std::string, std::optional<std::int64_t>> typed[] = {
        {"1,920 px", 1920}, {" -640 ", 640}, {"wide", std::nullopt}, {"", std::nullopt}, {"0", 1},
        {"2000000", 1'000'000}, {std::string(25, '9'), 1'000'000}, {"0000000000000000000000042", 42},
        {"\u0661\u0662", std::nullopt}};
    for (const auto& [text, dimension] : typed) EXPECT_EQ(ResizeSpec::typedDimension(text), dimension) << text;
}

TEST(ResizeSpec, EqualityComparesPayloadsAsNumbersAndJsonHasOneFormOfEveryCase) {
    // Equal values hash alike; these unequal ones would collide under a careless hash.
    for (const auto& [a, b, equal] : {std::tuple{ResizeSpec::scale(0.0), ResizeSpec::scale(-0.0), true},
                                      {ResizeSpec::fit(100, 200), ResizeSpec::fit(100, 200), true},
                                      {ResizeSpec::scale(0.5), ResizeSpec::percentage(0.5), false},
                                      {ResizeSpec::fit(100, std::nullopt), ResizeSpec::fit(std::nullopt, 100), false}}) {
        EXPECT_EQ(a == b, equal) << encoded(a);
        EXPECT_EQ(a.hash() == b.hash(), equal) << encoded(a);
    }
    EXPECT_NE(ResizeSpec::scale(std::nan("")), ResizeSpec::scale(std::nan("")));

    EXPECT_EQ(encoded(ResizeSpec::original()), R"({"original":{}})");
    EXPECT_EQ(encoded(ResizeSpec::fit(800, std::nullopt)), R"({"fit":{"maxWidth":800}})");
    EXPECT_EQ(encoded(ResizeSpec::fit(std::nullopt, std::nullopt)), R"({"fit":{}})");
    EXPECT_EQ(encoded(ResizeSpec::percentage(0.5)), R"({"percentage":{"_0":0.5}})");
    EXPECT_EQ(encoded(ResizeSpec::scale(2)), R"({"scale":{"_0":2.0}})");
    EXPECT_EQ(encoded(ResizeSpec::longestEdge(1024)), R"({"longestEdge":{"_0":1024}})");

    for (const auto& spec : {ResizeSpec::original(), ResizeSpec::fit(1, 2), ResizeSpec::fit(std::nullopt, 7),
                             ResizeSpec::percentage(0.25), ResizeSpec::scale(1.0 / 3.0), ResizeSpec::longestEdge(9)})
        EXPECT_EQ(decoded(encoded(spec)), spec) << encoded(spec);

    EXPECT_EQ(decoded(R"({"scale":{"_0":2},"zoom":{}})"), ResizeSpec::scale(2));
    EXPECT_EQ(decoded(R"({"fit":{"maxWidth":null,"maxHeight":5}})"), ResizeSpec::fit(std::nullopt, 5));
    EXPECT_EQ(decoded(R"({"original":{"ignored":true}})"), ResizeSpec::original());
    // Decoding does not sanitise: that is for whoever stores the value.
    EXPECT_EQ(decoded(R"({"longestEdge":{"_0":-4}})"), ResizeSpec::longestEdge(-4));

    for (const char* text : {R"({"scale":{"_0":2},"fit":{}})", "{}", R"({"Scale":{"_0":2}})"}) {
        const auto error = decodingFailure(text);
        EXPECT_EQ(error.kind(), json::DecodingError::Kind::typeMismatch) << text;
        EXPECT_EQ(error.description(), "Invalid number of keys found, expected one.");
    }
    EXPECT_EQ(decodingFailure(R"({"scale":{}})").kind(), json::DecodingError::Kind::keyNotFound);
    EXPECT_EQ(decodingFailure(R"({"longestEdge":{}})").kind(), json::DecodingError::Kind::keyNotFound);
    EXPECT_EQ(decodingFailure(R"({"percentage":{"_0":"half"}})").kind(), json::DecodingError::Kind::typeMismatch);
    EXPECT_EQ(decodingFailure(R"({"longestEdge":{"_0":10.5}})").kind(), json::DecodingError::Kind::dataCorrupted);
    EXPECT_EQ(decodingFailure(R"({"fit":{"maxWidth":"800"}})").codingPath(),
              (json::CodingPath{"fit", "maxWidth"}));
    EXPECT_EQ(decodingFailure(R"({"original":[]})").kind(), json::DecodingError::Kind::typeMismatch);
    EXPECT_EQ(decodingFailure("\"original\"").kind(), json::DecodingError::Kind::typeMismatch);

    for (double bad : {std::nan(""), infinity, -infinity}) {
        const auto error = thrown<json::EncodingError>([&] { ResizeSpec::scale(bad).encode({"sizing"}); });
        EXPECT_EQ(error ? error->codingPath() : json::CodingPath{}, (json::CodingPath{"sizing", "scale", "_0"}));
        EXPECT_THROW(ResizeSpec::percentage(bad).encode(), json::EncodingError);
    }
}
