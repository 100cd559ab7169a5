#pragma once
#include <exception>
#include <string>

namespace pictavo::SVGMetadata {

// Why the metadata of an SVG could not be cut out byte for byte: a short lower-case phrase
// without a full stop ("a comment that never closes"). Every refusal of the markup scanner
// and of the metadata cut is one of these.
class CannotStrip : public std::exception {
public:
    explicit CannotStrip(std::string reason) : reason_(std::move(reason)) {}

    const std::string& reason() const { return reason_; }
    const char* what() const noexcept override { return reason_.c_str(); }

    friend bool operator==(const CannotStrip& a, const CannotStrip& b) { return a.reason_ == b.reason_; }

private:
    std::string reason_;
};

} // namespace pictavo::SVGMetadata
