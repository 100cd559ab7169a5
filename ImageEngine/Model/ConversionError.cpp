#include "ImageEngine/Model/ConversionError.h"

#include "platform/base/Geometry.h"
#include "platform/base/Overloaded.h"
#include "platform/text/TextFormat.h"

#include <cmath>

namespace pictavo {

namespace {

using platform::doubleText;
using platform::Overloaded;
using platform::plainInteger;
using E = ConversionError;

// A side the too-large sentence can show: finite, not negative, small enough to read, and
// at least one pixel once rounded.
bool readableSide(double side) {
    return std::isfinite(side) && side >= 0 && side < 1e15 && platform::roundHalfAway(side) >= 1;
}

std::string groupedSide(double side) {
    // Readable sides are below 10^15, so the rounded value always fits.
    return platform::groupedInteger(platform::toInt64Checked(platform::roundHalfAway(side)).value_or(0));
}

} // namespace

std::string ConversionError::errorDescription() const {
    return std::visit(
        Overloaded{
            [](const E::UnsupportedInput& c) { return c.message; },
            [](const E::DecodeFailed& c) { return c.fileName + " can't be opened. It may be damaged."; },
            [](const E::RenderFailed& c) { return "This image can't be processed: " + c.failure.sentence() + "."; },
            [](const E::NoEncoder& c) { return "This computer can't write " + c.format.displayName() + "."; },
            [](const E::FormatNeedsAMatchingSource& c) {
                return c.format.displayName() + " can only be kept, not created, so this file can't become one.";
            },
            [](const E::MetadataNotRemovable& c) {
                return "This " + c.format.displayName() +
                       "'s metadata couldn't be removed safely, so it wasn't converted. Turning on Keep EXIF and GPS "
                       "converts it as it is.";
            },
            [](const E::EncodeFailed& c) { return "Writing " + c.format.displayName() + " failed."; },
            [](const E::ImageTooLarge& c) -> std::string {
                if (!readableSide(c.declaredWidth) || !readableSide(c.declaredHeight)) {
                    return "This image doesn't declare a size that can be read. It may be damaged.";
                }
                return "This image is too large to process (" + groupedSide(c.declaredWidth) + " \u00D7 " +
                       groupedSide(c.declaredHeight) + " pixels).";
            },
            [](const E::SourceTooSmallForIcon& c) {
                return "This image is smaller than " + plainInteger(c.smallest) +
                       " px, the smallest size an icon file holds.";
            },
            [](const E::PageOutOfRange& c) {
                const std::string pages = c.of == 1 ? "1 page" : plainInteger(c.of) + " pages";
                return "That page isn't there any more. This file has " + pages + ".";
            },
        },
        value_);
}

ConversionError ConversionError::withCause(std::string cause) const {
    ConversionError error = *this;
    if (!cause.empty()) error.cause_ = std::move(cause);
    return error;
}

std::string ConversionError::diagnostic() const {
    std::string form = std::visit(
        Overloaded{
            [](const E::UnsupportedInput& c) { return "unsupportedInput(" + c.message + ")"; },
            [](const E::DecodeFailed& c) { return "decodeFailed(" + c.fileName + ")"; },
            [](const E::RenderFailed& c) { return "renderFailed(" + c.failure.diagnostic() + ")"; },
            [](const E::NoEncoder& c) { return "noEncoder(" + c.format.id() + ")"; },
            [](const E::FormatNeedsAMatchingSource& c) { return "formatNeedsAMatchingSource(" + c.format.id() + ")"; },
            [](const E::MetadataNotRemovable& c) { return "metadataNotRemovable(" + c.format.id() + ")"; },
            [](const E::EncodeFailed& c) { return "encodeFailed(" + c.format.id() + ")"; },
            [](const E::ImageTooLarge& c) {
                return "imageTooLarge(" + doubleText(c.declaredWidth) + " by " + doubleText(c.declaredHeight) + ")";
            },
            [](const E::SourceTooSmallForIcon& c) {
                return "sourceTooSmallForIcon(smallest: " + plainInteger(c.smallest) + ")";
            },
            [](const E::PageOutOfRange& c) {
                return "pageOutOfRange(page: " + plainInteger(c.page) + ", of: " + plainInteger(c.of) + ")";
            },
        },
        value_);
    if (!cause_.empty()) form += " because " + cause_;
    return form;
}

} // namespace pictavo
