#include "ImageEngine/Model/ConversionWarning.h"

#include "platform/base/Hashing.h"
#include "platform/base/Overloaded.h"
#include "platform/text/TextFormat.h"

namespace pictavo {

namespace {
using platform::hashCombineValue;
using platform::Overloaded;
using platform::plainInteger;
using W = ConversionWarning;
} // namespace

std::string ConversionWarning::message() const {
    return std::visit(
        Overloaded{
            [](const W::AnimationLost& c) {
                return "Only the first of " + plainInteger(c.frameCount) + " frames will be converted.";
            },
            [](const W::TransparencyFlattened&) -> std::string {
                return "Transparency will be filled with the background colour.";
            },
            [](const W::UpscaleClamped&) -> std::string {
                return "This image is smaller than the size you asked for, so it hasn't been enlarged.";
            },
            [](const W::TargetSizeMissed& c) {
                return "Can't get below the target. The smallest is " + platform::byteCount(c.closestBytes) + ".";
            },
            [](const W::IconLadderTrimmed& c) {
                const std::string sizes = c.written == 1 ? "1 size" : plainInteger(c.written) + " sizes";
                return "This image is too small for the full icon, so it has " + sizes + " instead of " +
                       plainInteger(c.wanted) + ".";
            },
            [](const W::FormatFellBack& c) {
                return c.from + " can't be written, so this will be written as " + c.to.displayName() + ".";
            },
            [](const W::VectorRasterised& c) {
                return "This vector will be redrawn as " + plainInteger(c.width) + " \u00D7 " + plainInteger(c.height) +
                       " pixels, so it won't scale any more.";
            },
            [](const W::Reencoded&) -> std::string {
                return "This file can't be optimised without re-encoding it, so some quality will be lost.";
            },
        },
        value_);
}

std::string ConversionWarning::label() const {
    return std::visit(
        Overloaded{
            [](const W::AnimationLost&) -> std::string { return "Frames"; },
            [](const W::TargetSizeMissed&) -> std::string { return "Target missed"; },
            [](const W::IconLadderTrimmed&) -> std::string { return "Fewer sizes"; },
            [](const W::FormatFellBack& c) { return "as " + c.to.displayName(); },
            [](const W::VectorRasterised&) -> std::string { return "Rasterised"; },
            [](const W::TransparencyFlattened&) -> std::string { return "Alpha"; },
            [](const W::UpscaleClamped&) -> std::string { return "Not enlarged"; },
            [](const W::Reencoded&) -> std::string { return "Re-encoded"; },
        },
        value_);
}

std::size_t ConversionWarning::hash() const {
    std::size_t seed = 0;
    hashCombineValue(seed, value_.index());
    std::visit(Overloaded{
                   [&](const W::AnimationLost& c) { hashCombineValue(seed, c.frameCount); },
                   [&](const W::TargetSizeMissed& c) { hashCombineValue(seed, c.closestBytes); },
                   [&](const W::IconLadderTrimmed& c) {
                       hashCombineValue(seed, c.written);
                       hashCombineValue(seed, c.wanted);
                   },
                   [&](const W::FormatFellBack& c) {
                       hashCombineValue(seed, c.to);
                       hashCombineValue(seed, c.from);
                   },
                   [&](const W::VectorRasterised& c) {
                       hashCombineValue(seed, c.width);
                       hashCombineValue(seed, c.height);
                   },
                   [](const auto&) {},
               },
               value_);
    return seed;
}

} // namespace pictavo
