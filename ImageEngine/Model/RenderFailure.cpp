#include "ImageEngine/Model/RenderFailure.h"

#include "platform/base/Hashing.h"
#include "platform/base/Overloaded.h"
#include "platform/text/TextFormat.h"

namespace pictavo {

namespace {

using platform::Overloaded;
using platform::plainInteger;
using F = RenderFailure;

std::string by(std::int64_t width, std::int64_t height) { return plainInteger(width) + " by " + plainInteger(height); }

} // namespace

std::string RenderFailure::sentence() const {
    return std::visit(
        Overloaded{
            [](const F::Turning&) -> std::string { return "turning it upright failed"; },
            [](const F::Resizing&) -> std::string { return "resizing it failed"; },
            [](const F::Background&) -> std::string { return "putting it on a background failed"; },
            [](const F::Colour&) -> std::string { return "converting its colours failed"; },
            [](const F::Greyscale&) -> std::string { return "making it greyscale failed"; },
            [](const F::IconRung& c) { return "the " + plainInteger(c.side) + " px size inside the icon could not be drawn"; },
            [](const F::VectorHasNoSize&) -> std::string { return "this vector does not say what size it is"; },
            [](const F::VectorProducedNoImage& c) { return "the vector produced no image at " + by(c.width, c.height); },
            [](const F::PdfPageHasNoSize& c) { return "page " + plainInteger(c.page) + " has no size"; },
            [](const F::PdfPageProducedNoImage& c) { return "the page produced no image at " + by(c.width, c.height); },
            [](const F::NoDrawingSurface& c) {
                return "your computer would not provide a " + by(c.width, c.height) + " drawing surface";
            },
            [](const F::BrowserNeedsBackgroundThread&) -> std::string {
                return "this SVG needs the browser renderer, which cannot run on the main thread";
            },
            [](const F::BrowserTimedOut& c) {
                return "the browser renderer did not finish within " + plainInteger(c.seconds) + " seconds";
            },
            [](const F::BrowserReturnedNothing&) -> std::string { return "the browser renderer returned nothing"; },
            [](const F::BrowserStalled&) -> std::string { return "the browser renderer stalled"; },
            [](const F::BrowserProducedNoImage&) -> std::string { return "the browser produced no image"; },
            [](const F::BrowserCouldNotBeIsolated&) -> std::string {
                return "the browser renderer could not be sealed off from the network";
            },
            [](const F::BrowserCouldNotAssemble& c) {
                return "the browser's render could not be assembled at " + by(c.width, c.height);
            },
            [](const F::BrowserRenderedWrongSize& c) {
                return "the browser rendered " + by(c.renderedWidth, c.renderedHeight) + ", not " +
                       by(c.wantedWidth, c.wantedHeight);
            },
            [](const F::Browser& c) { return c.text; },
        },
        value_);
}

std::string RenderFailure::diagnostic() const {
    return std::visit(
        Overloaded{
            [](const F::Turning&) -> std::string { return "turning"; },
            [](const F::Resizing&) -> std::string { return "resizing"; },
            [](const F::Background&) -> std::string { return "background"; },
            [](const F::Colour&) -> std::string { return "colour"; },
            [](const F::Greyscale&) -> std::string { return "greyscale"; },
            [](const F::IconRung& c) { return "iconRung(side: " + plainInteger(c.side) + ")"; },
            [](const F::VectorHasNoSize&) -> std::string { return "vectorHasNoSize"; },
            [](const F::VectorProducedNoImage& c) { return "vectorProducedNoImage(" + by(c.width, c.height) + ")"; },
            [](const F::PdfPageHasNoSize& c) { return "pdfPageHasNoSize(page: " + plainInteger(c.page) + ")"; },
            [](const F::PdfPageProducedNoImage& c) { return "pdfPageProducedNoImage(" + by(c.width, c.height) + ")"; },
            [](const F::NoDrawingSurface& c) { return "noDrawingSurface(" + by(c.width, c.height) + ")"; },
            [](const F::BrowserNeedsBackgroundThread&) -> std::string { return "browserNeedsBackgroundThread"; },
            [](const F::BrowserTimedOut& c) { return "browserTimedOut(seconds: " + plainInteger(c.seconds) + ")"; },
            [](const F::BrowserReturnedNothing&) -> std::string { return "browserReturnedNothing"; },
            [](const F::BrowserStalled&) -> std::string { return "browserStalled"; },
            [](const F::BrowserProducedNoImage&) -> std::string { return "browserProducedNoImage"; },
            [](const F::BrowserCouldNotBeIsolated&) -> std::string { return "browserCouldNotBeIsolated"; },
            [](const F::BrowserCouldNotAssemble& c) { return "browserCouldNotAssemble(" + by(c.width, c.height) + ")"; },
            [](const F::BrowserRenderedWrongSize& c) {
                return "browserRenderedWrongSize(" + by(c.renderedWidth, c.renderedHeight) + ", wanted " +
                       by(c.wantedWidth, c.wantedHeight) + ")";
            },
            [](const F::Browser& c) { return "browser(" + c.text + ")"; },
        },
        value_);
}

std::size_t RenderFailure::hash() const {
    std::size_t seed = 0;
    platform::hashCombineValue(seed, value_.index());
    std::visit(Overloaded{
                   [&](const F::IconRung& c) { platform::hashCombineValue(seed, c.side); },
                   [&](const F::VectorProducedNoImage& c) {
                       platform::hashCombineValue(seed, c.width);
                       platform::hashCombineValue(seed, c.height);
                   },
                   [&](const F::PdfPageHasNoSize& c) { platform::hashCombineValue(seed, c.page); },
                   [&](const F::PdfPageProducedNoImage& c) {
                       platform::hashCombineValue(seed, c.width);
                       platform::hashCombineValue(seed, c.height);
                   },
                   [&](const F::NoDrawingSurface& c) {
                       platform::hashCombineValue(seed, c.width);
                       platform::hashCombineValue(seed, c.height);
                   },
                   [&](const F::BrowserTimedOut& c) { platform::hashCombineValue(seed, c.seconds); },
                   [&](const F::BrowserCouldNotAssemble& c) {
                       platform::hashCombineValue(seed, c.width);
                       platform::hashCombineValue(seed, c.height);
                   },
                   [&](const F::BrowserRenderedWrongSize& c) {
                       platform::hashCombineValue(seed, c.renderedWidth);
                       platform::hashCombineValue(seed, c.renderedHeight);
                       platform::hashCombineValue(seed, c.wantedWidth);
                       platform::hashCombineValue(seed, c.wantedHeight);
                   },
                   [&](const F::Browser& c) { platform::hashCombineValue(seed, c.text); },
                   [](const auto&) {},
               },
               value_);
    return seed;
}

} // namespace pictavo
