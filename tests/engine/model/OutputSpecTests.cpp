#include "ImageEngine/Model/OutputSpec.h"

#include "JsonDecoding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <unordered_set>

using namespace pictavo;
namespace json = platform::json;
using Kind = json::DecodingError::Kind;
using testing_support::thrown;

namespace {

OutputSpec sampleSpec() {
    return OutputSpec{OutputFormat::sameAsSource(), ResizeSpec::original(), QualityMode::lossless(),
                      MetadataPolicy::strip,        ColourPolicy::preserve, MatteColour::white(),
                      Adjustments::none(),          "{name}.{format}"};
}

// A stored specification with one key's value replaced by raw JSON text (or removed).
std::string storedWith(const std::string& key, const std::optional<std::string>& rawValue) {
    json::Value document = sampleSpec().encode();
    if (rawValue) document[key] = json::parse(*rawValue);
    else document.erase(key);
    return json::write(document);
}

json::DecodingError failureOf(const std::string& text) {
    return engine_testing::decodingFailure([&] { OutputSpec::fromJsonText(text); });
}

} // namespace

TEST(OutputSpec, JsonWritesAllEightKeysInOrderAndRoundTrips) {
    EXPECT_EQ(sampleSpec().jsonText(),
              R"({"format":"com.brackwen.pictavobyfenwid.same-as-source","sizing":{"original":{}},)"
              R"("quality":{"lossless":{}},"metadata":"strip","colour":"preserve",)"
              R"("matte":{"red":1.0,"green":1.0,"blue":1.0},)"
              R"("adjustments":{"reorientation":{"quarterTurns":0,"mirrored":false},"greyscale":false},)"
              R"("namePattern":"{name}.{format}"})");

    const OutputSpec specs[] = {
        sampleSpec(),
        OutputSpec{OutputFormat::webp(), ResizeSpec::fit(1920, std::nullopt), QualityMode::quality(82),
                   MetadataPolicy::keepAll, ColourPolicy::convertToSRGB, MatteColour{0.25, 0.5, 1.0 / 3.0},
                   Adjustments{Reorientation(3, true), true}, "Ünïcode {w}×{h} 写真"},
        OutputSpec{OutputFormat::avif(), ResizeSpec::scale(0.1), QualityMode::targetBytes(500'000),
                   MetadataPolicy::strip, ColourPolicy::preserve, MatteColour{1.5, -0.0, 0}, Adjustments::none(), ""},
    };
    for (const auto& spec : specs) {
        const OutputSpec read = OutputSpec::fromJsonText(spec.jsonText());
        EXPECT_EQ(read, spec) << spec.jsonText();
        EXPECT_EQ(read.hash(), spec.hash());
    }
}

TEST(OutputSpec, AdjustmentsMayBeMissingQualityModesFollowTheOneKeyRuleAndPoliciesTheirRawStringsExactly) {
    OutputSpec turned = sampleSpec();
    turned.adjustments = Adjustments{Reorientation(1, false), true};
    json::Value document = turned.encode();
    document.erase("adjustments");
    EXPECT_EQ(OutputSpec::fromJsonText(json::write(document)).adjustments, Adjustments::none());
    document["adjustments"] = nullptr;
    EXPECT_EQ(OutputSpec::fromJsonText(json::write(document)).adjustments, Adjustments::none());
    document["adjustments"] = "turned";
    EXPECT_EQ(failureOf(json::write(document)).kind(), Kind::typeMismatch);

    const auto qualityOf = [](const char* raw) { return OutputSpec::fromJsonText(storedWith("quality", raw)).quality; };
    EXPECT_EQ(qualityOf(R"({"lossless":{"_0":5}})"), QualityMode::lossless());
    EXPECT_EQ(qualityOf(R"({"quality":{"_0":-5}})"), QualityMode::quality(-5));
    EXPECT_EQ(qualityOf(R"({"quality":{"_0":1000}})"), QualityMode::quality(1000));
    EXPECT_EQ(qualityOf(R"({"quality":{"_0":80.0}})"), QualityMode::quality(80));
    EXPECT_EQ(qualityOf(R"({"quality":{"_0":80},"best":{}})"), QualityMode::quality(80));
    EXPECT_EQ(qualityOf(R"({"targetBytes":{"_0":9223372036854775807}})"),
              QualityMode::targetBytes(std::numeric_limits<std::int64_t>::max()));
    EXPECT_EQ(json::write(QualityMode::targetBytes(200).encode()), R"({"targetBytes":{"_0":200}})");
    EXPECT_EQ(json::write(QualityMode::quality(-1).encode()), R"({"quality":{"_0":-1}})");

    for (const char* raw : {R"({"quality":{"_0":80},"lossless":{}})", "{}"}) {
        const auto error = failureOf(storedWith("quality", raw));
        EXPECT_EQ(std::tuple(error.kind(), error.codingPath(), error.description()),
                  std::tuple(Kind::typeMismatch, json::CodingPath{"quality"}, "Invalid number of keys found, expected one."))
            << raw;
    }
    const auto fractional = failureOf(storedWith("quality", R"({"quality":{"_0":80.5}})"));
    EXPECT_EQ(std::tuple(fractional.kind(), fractional.codingPath()),
              std::tuple(Kind::dataCorrupted, json::CodingPath{"quality", "quality", "_0"}));
    EXPECT_EQ(failureOf(storedWith("quality", R"({"quality":{}})")).kind(), Kind::keyNotFound);
    EXPECT_EQ(failureOf(storedWith("quality", R"({"lossless":true})")).kind(), Kind::typeMismatch);

    EXPECT_EQ(OutputSpec::fromJsonText(storedWith("metadata", "\"keepAll\"")).metadata, MetadataPolicy::keepAll);
    EXPECT_EQ(OutputSpec::fromJsonText(storedWith("colour", "\"convertToSRGB\"")).colour, ColourPolicy::convertToSRGB);
    const auto wrongCase = failureOf(storedWith("metadata", "\"keepall\""));
    EXPECT_EQ(std::tuple(wrongCase.kind(), wrongCase.codingPath(), wrongCase.description()),
              std::tuple(Kind::dataCorrupted, json::CodingPath{"metadata"},
                         "Cannot initialize MetadataPolicy from invalid String value keepall"));
    EXPECT_EQ(failureOf(storedWith("colour", "\"sRGB\"")).description(),
              "Cannot initialize ColourPolicy from invalid String value sRGB");
    EXPECT_EQ(failureOf(storedWith("colour", "0")).kind(), Kind::typeMismatch);
    EXPECT_EQ(metadataPolicy("Strip"), std::nullopt);
    EXPECT_EQ(colourPolicy(""), std::nullopt);

    for (const char* key : {"format", "sizing", "quality", "metadata", "colour", "matte", "namePattern"}) {
        const auto error = failureOf(storedWith(key, std::nullopt));
        EXPECT_EQ(std::tuple(error.kind(), error.description()),
                  std::tuple(Kind::keyNotFound, "No value associated with key \"" + std::string(key) + "\"."));
    }
    EXPECT_EQ(failureOf(storedWith("namePattern", "null")).kind(), Kind::valueNotFound);
    EXPECT_EQ(failureOf(storedWith("matte", R"({"red":1,"green":1})")).codingPath(), json::CodingPath{"matte"});
    EXPECT_EQ(failureOf("[]").kind(), Kind::typeMismatch);
    EXPECT_EQ(failureOf("{\"format\":").kind(), Kind::dataCorrupted);
    // Keys are matched exactly and unknown keys are ignored.
    json::Value extended = sampleSpec().encode();
    extended["Format"] = "public.png";
    extended["comment"] = "kept by nobody";
    EXPECT_EQ(OutputSpec::fromJsonText(json::write(extended)), sampleSpec());
}

TEST(OutputSpec, StoredSizesAreSanitisedMattesKeptAsReadAndNonFiniteNumbersRefused) {
    const auto sizingOf = [](const char* raw) { return OutputSpec::fromJsonText(storedWith("sizing", raw)).sizing; };
    EXPECT_EQ(sizingOf(R"({"fit":{"maxWidth":0,"maxHeight":5000000}})"), ResizeSpec::fit(1, 1'000'000));
    // Each case's bounds are ResizeSpec's own; here only that reading applies them.
    EXPECT_EQ(sizingOf(R"({"scale":{"_0":0}})"), ResizeSpec::original());

    const auto matte = OutputSpec::fromJsonText(storedWith("matte", R"({"red":1.5,"green":-2,"blue":0.5})")).matte;
    EXPECT_EQ(matte, (MatteColour{1.5, -2, 0.5}));
    EXPECT_EQ(matte.clampedForDrawing(), (MatteColour{1, 0, 0.5}));
    EXPECT_EQ((MatteColour{std::nan(""), 2, 0.25}).clampedForDrawing(), (MatteColour{0, 1, 0.25}));
    EXPECT_EQ(failureOf(storedWith("matte", R"({"red":"1","green":1,"blue":1})")).kind(), Kind::typeMismatch);

    OutputSpec spec = sampleSpec();
    spec.matte.green = std::numeric_limits<double>::infinity();
    const auto infinite = thrown<json::EncodingError>([&] { spec.jsonText(); });
    EXPECT_EQ(infinite ? infinite->codingPath() : json::CodingPath{}, (json::CodingPath{"matte", "green"}));
    spec = sampleSpec();
    spec.sizing = ResizeSpec::percentage(std::nan(""));
    EXPECT_THROW(spec.jsonText(), json::EncodingError);
    spec = sampleSpec();
    spec.namePattern = "bad \xC3 byte";
    EXPECT_THROW(spec.jsonText(), json::EncodingError);
}

TEST(OutputSpec, EqualityHashingAndTheEncodingIdentity) {
    OutputSpec a = sampleSpec();
    OutputSpec b = sampleSpec();
    b.namePattern = "{name}-small";
    EXPECT_NE(a, b);
    EXPECT_EQ(a.encodingIdentity(), b.encodingIdentity());
    EXPECT_EQ(a.encodingIdentity().hash(), b.encodingIdentity().hash());
    EXPECT_EQ(a.encodingIdentity().namePattern, "");

    b = a;
    b.matte = MatteColour{-0.0, 0, 0};
    a.matte = MatteColour::black();
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.hash(), b.hash());
    b.matte.red = std::nan("");
    EXPECT_NE(b, b);

    // The same name typed with a precomposed or a combining accent is the same name.
    a = sampleSpec();
    b = sampleSpec();
    a.namePattern = "caf\u00e9-{w}";
    b.namePattern = "cafe\u0301-{w}";
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.hash(), b.hash());
    b.namePattern = "cafe-{w}";
    EXPECT_NE(a, b);

    // Each field takes part.
    std::unordered_set<OutputSpec> variants;
    OutputSpec base = sampleSpec();
    variants.insert(base);
    OutputSpec changed = base; changed.format = OutputFormat::png(); variants.insert(changed);
    changed = base; changed.sizing = ResizeSpec::scale(2); variants.insert(changed);
    changed = base; changed.quality = QualityMode::quality(0); variants.insert(changed);
    changed = base; changed.quality = QualityMode::targetBytes(0); variants.insert(changed);
    changed = base; changed.metadata = MetadataPolicy::keepAll; variants.insert(changed);
    changed = base; changed.colour = ColourPolicy::convertToSRGB; variants.insert(changed);
    changed = base; changed.matte = MatteColour::black(); variants.insert(changed);
    changed = base; changed.adjustments.greyscale = true; variants.insert(changed);
    changed = base; changed.namePattern = "x"; variants.insert(changed);
    EXPECT_EQ(variants.size(), 10u);
    EXPECT_TRUE(variants.count(sampleSpec()));
}
