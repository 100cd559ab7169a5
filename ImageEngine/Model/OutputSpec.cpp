#include "ImageEngine/Model/OutputSpec.h"

#include "platform/text/CanonicalText.h"
#include "platform/base/Hashing.h"

namespace pictavo {

namespace json = platform::json;

OutputSpec OutputSpec::encodingIdentity() const {
    OutputSpec identity = *this;
    identity.namePattern.clear();
    return identity;
}

bool operator==(const OutputSpec& a, const OutputSpec& b) {
    return a.format == b.format && a.sizing == b.sizing && a.quality == b.quality && a.metadata == b.metadata &&
           a.colour == b.colour && a.matte == b.matte && a.adjustments == b.adjustments &&
           platform::canonicallyEquivalent(a.namePattern, b.namePattern);
}

std::size_t OutputSpec::hash() const {
    std::size_t seed = format.hash();
    platform::hashCombine(seed, sizing.hash());
    platform::hashCombine(seed, quality.hash());
    platform::hashCombineValue(seed, rawValue(metadata));
    platform::hashCombineValue(seed, rawValue(colour));
    platform::hashCombine(seed, matte.hash());
    platform::hashCombine(seed, adjustments.hash());
    platform::hashCombineValue(seed, platform::canonicallyComposed(namePattern));
    return seed;
}

json::Value OutputSpec::encode() const {
    return {
        {"format", format.encode()},
        {"sizing", sizing.encode({"sizing"})},
        {"quality", quality.encode()},
        {"metadata", pictavo::encode(metadata)},
        {"colour", pictavo::encode(colour)},
        {"matte", matte.encode({"matte"})},
        {"adjustments", adjustments.encode()},
        {"namePattern", namePattern},
    };
}

OutputSpec OutputSpec::decode(const json::Reader& reader) {
    const auto object = reader.object();
    // Read in key order, so that the first fault found is the first in the record.
    OutputFormat format = OutputFormat::decode(object.at("format"));
    ResizeSpec sizing = ResizeSpec::decode(object.at("sizing")).withinStorageBounds();
    QualityMode quality = QualityMode::decode(object.at("quality"));
    MetadataPolicy metadata = decodeMetadataPolicy(object.at("metadata"));
    ColourPolicy colour = decodeColourPolicy(object.at("colour"));
    MatteColour matte = MatteColour::decode(object.at("matte"));
    const auto adjustmentsValue = object.ifPresent("adjustments");
    Adjustments adjustments = adjustmentsValue ? Adjustments::decode(*adjustmentsValue) : Adjustments::none();
    std::string namePattern = object.string("namePattern");
    return OutputSpec{std::move(format), sizing, quality, metadata, colour, matte, adjustments, std::move(namePattern)};
}

std::string OutputSpec::jsonText() const { return json::write(encode()); }

OutputSpec OutputSpec::fromJsonText(std::string_view text) {
    const json::Value document = json::parse(text);
    return decode(json::Reader(document));
}

} // namespace pictavo
