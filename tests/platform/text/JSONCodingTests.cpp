#include "platform/text/JSONCoding.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace json = platform::json;
using Kind = json::DecodingError::Kind;

namespace {

// The error a read throws; a failure of the test when it throws none.
template <typename Read>
json::DecodingError failure(Read read) {
    return testing_support::thrown<json::DecodingError>(read).value_or(json::DecodingError(Kind::dataCorrupted, {}, ""));
}

std::int64_t int64Of(const char* text) {
    const json::Value value = json::parse(text);
    return json::Reader(value).int64();
}

} // namespace

TEST(JSONCoding, TextThatIsNotOneJsonDocumentIsDataCorrupted) {
    // A number beyond the double range is refused too: it could never be written back.
    for (const char* text : {"", "{", "{\"a\":1} x", "nan", "[1,]", "\"\xff\"", "-1e400", "Infinity"}) {
        auto error = failure([&] { json::parse(text); });
        EXPECT_EQ(error.kind(), Kind::dataCorrupted) << text;
        EXPECT_EQ(error.description(), "The given data was not valid JSON.");
        EXPECT_TRUE(error.codingPath().empty());
    }
}

TEST(JSONCoding, IntegersNeverPassThroughADouble) {
    EXPECT_EQ(int64Of("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(int64Of("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(int64Of("9007199254740993"), 9007199254740993); // one past 2^53 stays exact
    EXPECT_EQ(int64Of("80.0"), 80);
    EXPECT_EQ(int64Of("-5e2"), -500);

    for (const char* text : {"80.5", "9223372036854775808", "18446744073709551616", "1e19", "-1e300",
                             "9007199254740993.0"}) {
        auto error = failure([&] { int64Of(text); });
        EXPECT_EQ(error.kind(), Kind::dataCorrupted) << text;
        EXPECT_NE(error.description().find("does not fit in Int64."), std::string::npos) << error.description();
    }
    EXPECT_EQ(failure([] { int64Of("80.5"); }).description(), "Parsed JSON number <80.5> does not fit in Int64.");
}

TEST(JSONCoding, ValuesOfTheWrongKindAreTypeMismatches) {
    const json::Value document = json::parse(R"({"flag":1,"text":5,"number":"1","nothing":null,"list":[]})");
    json::KeyedReader object = json::Reader(document).object();

    auto flag = failure([&] { object.boolean("flag"); });
    EXPECT_EQ(flag.kind(), Kind::typeMismatch); // 0 and 1 are not booleans
    EXPECT_EQ(flag.codingPath(), json::CodingPath{"flag"});
    EXPECT_EQ(flag.description(), "Expected to decode Bool but found a number instead.");
    EXPECT_EQ(failure([&] { object.string("text"); }).kind(), Kind::typeMismatch);
    EXPECT_EQ(failure([&] { object.number("number"); }).description(),
              "Expected to decode Double but found a string instead.");
    EXPECT_EQ(failure([&] { object.at("list").object(); }).description(),
              "Expected to decode Dictionary<String, Any> but found an array instead.");

    auto null = failure([&] { object.int64("nothing"); });
    EXPECT_EQ(null.kind(), Kind::valueNotFound);
    EXPECT_EQ(null.description(), "Expected Int64 value but found null instead.");

    auto missing = failure([&] { object.string("absent"); });
    EXPECT_EQ(missing.kind(), Kind::keyNotFound);
    EXPECT_EQ(missing.description(), "No value associated with key \"absent\".");
    EXPECT_TRUE(missing.codingPath().empty());

    EXPECT_FALSE(object.ifPresent("absent"));
    EXPECT_FALSE(object.ifPresent("nothing"));
    EXPECT_TRUE(object.ifPresent("flag"));
    EXPECT_DOUBLE_EQ(json::Reader(json::parse("7")).number(), 7.0);
}

TEST(JSONCoding, CodingPathsFollowTheKeysDown) {
    const json::Value document = json::parse(R"({"outer":{"inner":{"leaf":true}}})");
    auto leaf = json::Reader(document).object().at("outer").object().at("inner").object().at("leaf");
    EXPECT_EQ(leaf.codingPath(), (json::CodingPath{"outer", "inner", "leaf"}));
    auto error = failure([&] { leaf.string(); });
    EXPECT_EQ(json::pathText(error.codingPath()), "outer.inner.leaf");
    EXPECT_STREQ(error.what(), "Expected to decode String but found a bool instead. (at outer.inner.leaf)");
}

TEST(JSONCoding, ClosedSetsTakeExactlyOneRecognisedKey) {
    const auto caseOf = [](const char* text) {
        const json::Value document = json::parse(text);
        auto [name, payload] = json::Reader(document).object().closedSetCase({"lossless", "quality"});
        return std::make_pair(name, json::pathText(payload.codingPath()));
    };
    EXPECT_EQ(caseOf(R"({"quality":{"_0":1},"other":{}})"), std::make_pair(std::string("quality"), std::string("quality")));
    EXPECT_EQ(caseOf(R"({"lossless":{}})").first, "lossless");
    for (const char* text : {"{}", R"({"quality":{},"lossless":{}})", R"({"unknown":{}})"}) {
        auto error = failure([&] { caseOf(text); });
        EXPECT_EQ(error.kind(), Kind::typeMismatch) << text;
        EXPECT_EQ(error.description(), "Invalid number of keys found, expected one.");
    }
    EXPECT_EQ(json::write(json::closedSetCase("lossless")), R"({"lossless":{}})");
    EXPECT_EQ(json::write(json::closedSetCase("quality", {{"_0", 80}})), R"({"quality":{"_0":80}})");
}

TEST(JSONCoding, TheWriterRefusesWhatJsonCannotHold) {
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()}) {
        EXPECT_THROW(json::finiteNumber(bad, {"matte", "red"}), json::EncodingError);
        const json::Value tree = {{"matte", {{"red", bad}}}};
        const auto error = testing_support::thrown<json::EncodingError>([&] { json::write(tree); });
        EXPECT_EQ(error ? error->codingPath() : json::CodingPath{}, (json::CodingPath{"matte", "red"}));
    }
    const auto nan = testing_support::thrown<json::EncodingError>([] { json::finiteNumber(std::nan(""), {}); });
    EXPECT_EQ(nan ? nan->description() : "", "Unable to encode nan directly in JSON.");
    EXPECT_THROW(json::write(json::Value("\xff\xfe")), json::EncodingError);
    EXPECT_EQ(json::write(json::finiteNumber(0.5, {})), "0.5");
    // Written numbers read back as the same double.
    const double third = 1.0 / 3.0;
    EXPECT_EQ(json::Reader(json::parse(json::write(json::finiteNumber(third, {})))).number(), third);
}
