#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>
#include <variant>

namespace pictavo {

// Which drawing step failed: the payload of ConversionError::renderFailed. Its sentence is
// a lower-case clause without a full stop, which the error's message wraps. Sides are in
// pixels.
class RenderFailure {
public:
    struct Turning { friend bool operator==(const Turning&, const Turning&) = default; };
    struct Resizing { friend bool operator==(const Resizing&, const Resizing&) = default; };
    struct Background { friend bool operator==(const Background&, const Background&) = default; };
    struct Colour { friend bool operator==(const Colour&, const Colour&) = default; };
    struct Greyscale { friend bool operator==(const Greyscale&, const Greyscale&) = default; };
    struct IconRung {
        std::int64_t side;
        friend bool operator==(const IconRung&, const IconRung&) = default;
    };
    struct VectorHasNoSize { friend bool operator==(const VectorHasNoSize&, const VectorHasNoSize&) = default; };
    struct VectorProducedNoImage {
        std::int64_t width, height;
        friend bool operator==(const VectorProducedNoImage&, const VectorProducedNoImage&) = default;
    };
    struct PdfPageHasNoSize {
        std::int64_t page;
        friend bool operator==(const PdfPageHasNoSize&, const PdfPageHasNoSize&) = default;
    };
    struct PdfPageProducedNoImage {
        std::int64_t width, height;
        friend bool operator==(const PdfPageProducedNoImage&, const PdfPageProducedNoImage&) = default;
    };
    struct NoDrawingSurface {
        std::int64_t width, height;
        friend bool operator==(const NoDrawingSurface&, const NoDrawingSurface&) = default;
    };
    struct BrowserNeedsBackgroundThread {
        friend bool operator==(const BrowserNeedsBackgroundThread&, const BrowserNeedsBackgroundThread&) = default;
    };
    struct BrowserTimedOut {
        std::int64_t seconds;
        friend bool operator==(const BrowserTimedOut&, const BrowserTimedOut&) = default;
    };
    struct BrowserReturnedNothing {
        friend bool operator==(const BrowserReturnedNothing&, const BrowserReturnedNothing&) = default;
    };
    struct BrowserStalled { friend bool operator==(const BrowserStalled&, const BrowserStalled&) = default; };
    struct BrowserProducedNoImage {
        friend bool operator==(const BrowserProducedNoImage&, const BrowserProducedNoImage&) = default;
    };
    struct BrowserCouldNotBeIsolated {
        friend bool operator==(const BrowserCouldNotBeIsolated&, const BrowserCouldNotBeIsolated&) = default;
    };
    struct BrowserCouldNotAssemble {
        std::int64_t width, height;
        friend bool operator==(const BrowserCouldNotAssemble&, const BrowserCouldNotAssemble&) = default;
    };
    struct BrowserRenderedWrongSize {
        std::int64_t renderedWidth, renderedHeight, wantedWidth, wantedHeight;
        friend bool operator==(const BrowserRenderedWrongSize&, const BrowserRenderedWrongSize&) = default;
    };
    // A lower-case clause written by the browser-drawn SVG code, used as it is.
    struct Browser {
        std::string text;
        friend bool operator==(const Browser&, const Browser&) = default;
    };

    // In their declared order: the position is part of the hash.
    using Case = std::variant<Turning, Resizing, Background, Colour, Greyscale, IconRung, VectorHasNoSize,
                              VectorProducedNoImage, PdfPageHasNoSize, PdfPageProducedNoImage, NoDrawingSurface,
                              BrowserNeedsBackgroundThread, BrowserTimedOut, BrowserReturnedNothing, BrowserStalled,
                              BrowserProducedNoImage, BrowserCouldNotBeIsolated, BrowserCouldNotAssemble,
                              BrowserRenderedWrongSize, Browser>;

    // From any one case: RenderFailure value = RenderFailure::Resizing{}.
    template <typename Alternative>
        requires std::is_constructible_v<Case, Alternative>
    RenderFailure(Alternative value) : value_(std::move(value)) {}

    static RenderFailure turning() { return Turning{}; }
    static RenderFailure resizing() { return Resizing{}; }
    static RenderFailure background() { return Background{}; }
    static RenderFailure colour() { return Colour{}; }
    static RenderFailure greyscale() { return Greyscale{}; }
    static RenderFailure iconRung(std::int64_t side) { return IconRung{side}; }
    static RenderFailure vectorHasNoSize() { return VectorHasNoSize{}; }
    static RenderFailure vectorProducedNoImage(std::int64_t width, std::int64_t height) {
        return VectorProducedNoImage{width, height};
    }
    static RenderFailure pdfPageHasNoSize(std::int64_t page) { return PdfPageHasNoSize{page}; }
    static RenderFailure pdfPageProducedNoImage(std::int64_t width, std::int64_t height) {
        return PdfPageProducedNoImage{width, height};
    }
    static RenderFailure noDrawingSurface(std::int64_t width, std::int64_t height) {
        return NoDrawingSurface{width, height};
    }
    static RenderFailure browserNeedsBackgroundThread() { return BrowserNeedsBackgroundThread{}; }
    static RenderFailure browserTimedOut(std::int64_t seconds) { return BrowserTimedOut{seconds}; }
    static RenderFailure browserReturnedNothing() { return BrowserReturnedNothing{}; }
    static RenderFailure browserStalled() { return BrowserStalled{}; }
    static RenderFailure browserProducedNoImage() { return BrowserProducedNoImage{}; }
    static RenderFailure browserCouldNotBeIsolated() { return BrowserCouldNotBeIsolated{}; }
    static RenderFailure browserCouldNotAssemble(std::int64_t width, std::int64_t height) {
        return BrowserCouldNotAssemble{width, height};
    }
    static RenderFailure browserRenderedWrongSize(std::int64_t renderedWidth, std::int64_t renderedHeight,
                                                  std::int64_t wantedWidth, std::int64_t wantedHeight) {
        return BrowserRenderedWrongSize{renderedWidth, renderedHeight, wantedWidth, wantedHeight};
    }
    static RenderFailure browser(std::string text) { return Browser{std::move(text)}; }

    const Case& value() const { return value_; }
    template <typename T>
    const T* get() const { return std::get_if<T>(&value_); }

    // "resizing it failed": lower case, no full stop.
    std::string sentence() const;
    // The case and its payload, as failure reports write it: "noDrawingSurface(800 by 600)".
    std::string diagnostic() const;

    friend bool operator==(const RenderFailure&, const RenderFailure&) = default;
    std::size_t hash() const;

private:
    Case value_;
};

} // namespace pictavo

template <>
struct std::hash<pictavo::RenderFailure> {
    std::size_t operator()(const pictavo::RenderFailure& failure) const { return failure.hash(); }
};
