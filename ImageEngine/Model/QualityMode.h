#pragma once
#include "platform/text/JSONCoding.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace pictavo {

// Lossless, a quality number, or a target file size in bytes. Numbers are kept as given:
// each encoder clamps the quality to its own range.
class QualityMode {
public:
    enum class Kind { lossless, quality, targetBytes };

    static QualityMode lossless() { return QualityMode(Kind::lossless, 0); }
    static QualityMode quality(std::int64_t value) { return QualityMode(Kind::quality, value); }
    static QualityMode targetBytes(std::int64_t bytes) { return QualityMode(Kind::targetBytes, bytes); }

    Kind kind() const { return kind_; }
    // The quality number or the byte target; 0 for lossless.
    std::int64_t payload() const { return payload_; }

    friend bool operator==(const QualityMode&, const QualityMode&) = default;
    std::size_t hash() const;

    // {"lossless":{}}, {"quality":{"_0":n}} or {"targetBytes":{"_0":n}}.
    platform::json::Value encode() const;
    static QualityMode decode(const platform::json::Reader& reader);

private:
    QualityMode(Kind kind, std::int64_t payload) : kind_(kind), payload_(payload) {}

    Kind kind_;
    std::int64_t payload_;
};

} // namespace pictavo

template <>
struct std::hash<pictavo::QualityMode> {
    std::size_t operator()(const pictavo::QualityMode& value) const { return value.hash(); }
};
