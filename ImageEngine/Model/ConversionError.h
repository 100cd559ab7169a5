#pragma once
#include "ImageEngine/Model/OutputFormat.h"
#include "ImageEngine/Model/RenderFailure.h"

#include <cstdint>
#include <exception>
#include <string>
#include <type_traits>
#include <variant>

namespace pictavo {

// Every way a conversion fails, each with the sentence the user reads (what() and
// errorDescription()) and a compact form for failure reports (diagnostic()), which also
// carries what a library said of the failure when one said anything.
class ConversionError : public std::exception {
public:
    // The payload is the complete sentence to show.
    struct UnsupportedInput {
        std::string message;
        friend bool operator==(const UnsupportedInput&, const UnsupportedInput&) = default;
    };
    // The payload is the source's file name.
    struct DecodeFailed {
        std::string fileName;
        friend bool operator==(const DecodeFailed&, const DecodeFailed&) = default;
    };
    struct RenderFailed {
        RenderFailure failure;
        friend bool operator==(const RenderFailed&, const RenderFailed&) = default;
    };
    struct NoEncoder {
        OutputFormat format;
        friend bool operator==(const NoEncoder&, const NoEncoder&) = default;
    };
    // The format can only be produced by re-optimising a source of the same format.
    struct FormatNeedsAMatchingSource {
        OutputFormat format;
        friend bool operator==(const FormatNeedsAMatchingSource&, const FormatNeedsAMatchingSource&) = default;
    };
    struct MetadataNotRemovable {
        OutputFormat format;
        friend bool operator==(const MetadataNotRemovable&, const MetadataNotRemovable&) = default;
    };
    struct EncodeFailed {
        OutputFormat format;
        friend bool operator==(const EncodeFailed&, const EncodeFailed&) = default;
    };
    // The sides as declared or wanted; they may be NaN, infinite or negative.
    struct ImageTooLarge {
        double declaredWidth, declaredHeight;
        friend bool operator==(const ImageTooLarge&, const ImageTooLarge&) = default;
    };
    struct SourceTooSmallForIcon {
        std::int64_t smallest;
        friend bool operator==(const SourceTooSmallForIcon&, const SourceTooSmallForIcon&) = default;
    };
    struct PageOutOfRange {
        std::int64_t page, of;
        friend bool operator==(const PageOutOfRange&, const PageOutOfRange&) = default;
    };

    using Case = std::variant<UnsupportedInput, DecodeFailed, RenderFailed, NoEncoder, FormatNeedsAMatchingSource,
                              MetadataNotRemovable, EncodeFailed, ImageTooLarge, SourceTooSmallForIcon, PageOutOfRange>;

    // From any one case: ConversionError error = ConversionError::EncodeFailed{format}.
    template <typename Alternative>
        requires std::is_constructible_v<Case, Alternative>
    ConversionError(Alternative value) : value_(std::move(value)), description_(errorDescription()) {}

    static ConversionError unsupportedInput(std::string message) { return UnsupportedInput{std::move(message)}; }
    static ConversionError decodeFailed(std::string fileName) { return DecodeFailed{std::move(fileName)}; }
    static ConversionError renderFailed(RenderFailure failure) { return RenderFailed{std::move(failure)}; }
    static ConversionError noEncoder(OutputFormat format) { return NoEncoder{std::move(format)}; }
    static ConversionError formatNeedsAMatchingSource(OutputFormat format) {
        return FormatNeedsAMatchingSource{std::move(format)};
    }
    static ConversionError metadataNotRemovable(OutputFormat format) { return MetadataNotRemovable{std::move(format)}; }
    static ConversionError encodeFailed(OutputFormat format) { return EncodeFailed{std::move(format)}; }
    static ConversionError imageTooLarge(double declaredWidth, double declaredHeight) {
        return ImageTooLarge{declaredWidth, declaredHeight};
    }
    static ConversionError sourceTooSmallForIcon(std::int64_t smallest) { return SourceTooSmallForIcon{smallest}; }
    static ConversionError pageOutOfRange(std::int64_t page, std::int64_t of) { return PageOutOfRange{page, of}; }

    const Case& value() const { return value_; }
    template <typename T>
    const T* get() const { return std::get_if<T>(&value_); }

    // The same error carrying a library's words on why it failed ("libvips: …"), for the
    // diagnostic only; an empty cause leaves it as it was.
    ConversionError withCause(std::string cause) const;
    const std::string& cause() const { return cause_; }

    // The sentence shown to the user; every case has one.
    std::string errorDescription() const;
    // "decodeFailed(photo.jpg)", followed by " because libvips: …" when a cause is carried.
    std::string diagnostic() const;
    // The description as it read when the error was made.
    const char* what() const noexcept override { return description_.c_str(); }

    // Doubles compare by value, so an error with a NaN side equals nothing. The cause is
    // commentary, not part of which error it is.
    friend bool operator==(const ConversionError& a, const ConversionError& b) { return a.value_ == b.value_; }

private:
    Case value_;
    std::string description_;
    std::string cause_;
};

} // namespace pictavo
