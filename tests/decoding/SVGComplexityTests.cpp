#include "ImageEngine/Decoding/SVGComplexity.h"

#include <gtest/gtest.h>

#include <string>

using pictavo::SVGComplexity;

namespace {

bool needsBrowser(const std::string& text) {
    return SVGComplexity::needsWebKit({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

std::string svg(const std::string& inside) { return R"~(<svg xmlns="http://www.w3.org/2000/svg">)~" + inside + "</svg>"; }

// Each case: a document and whether the system drawer must leave it to the browser.
TEST(SVGComplexity, WhatTheDrawerCannotDrawIsFoundWhereverItHides) {
    const std::vector<std::pair<std::string, bool>> cases{
        // Text that is not UTF-8 always needs the browser.
        {std::string("\xFF\xFE<\0s\0v\0g\0", 10), true}, {std::string("\x1F\x8B\x08\x00", 4), true},
        {svg("<text>caf\xC3</text>"), true}, {svg("<text>caf\xC3\xA9</text>"), false},
        {svg(R"~(<rect width="10" height="10" fill="red"/>)~"), false},
        // Markers are found in any letter case; only the element, not the word.
        {svg("<FILTER id='f'/>"), true}, {svg("<foreignObject/>"), true},
        {svg("<style>@font-face { font-family: x; }</style>"), true}, {svg("<style>@KEYFRAMES spin { }</style>"), true},
        {svg("<animateTransform attributeName='transform'/>"), true}, {svg("<mask id='m'/>"), true},
        {svg("<use href='#a'/>"), true}, {svg("<user-thing/>"), true},
        {svg("<g style='mix-blend-mode: multiply'/>"), true}, {svg("<g style='backdrop-filter: blur(2px)'/>"), true},
        {svg("<text>filter mask use animate</text>"), false},
        // Images are external unless their quoted address is a data one.
        {svg(R"~(<image href="data:image/png;base64,AAAA"/>)~"), false},
        {svg(R"~(<image xlink:href='  data:image/png;base64,AAAA'/>)~"), false},
        {svg(R"~(<image href="photo.png"/>)~"), true}, {svg(R"~(<image width="3" xlink:href="#frag"/>)~"), true},
        {svg(R"~(<svg:image svg:href="https://example.org/a.png"/>)~"), true},
        // Not quoted: not caught. Another element named image-something is not an image.
        {svg(R"~(<image href=photo.png/>)~"), false}, {svg(R"~(<imagery href="photo.png"/>)~"), false},
        // Presentation attributes are harmless only when they do nothing.
        {svg(R"~(<g filter="none"/>)~"), false}, {svg(R"~(<g filter=" initial !important "/>)~"), false},
        {svg(R"~(<g filter=""/>)~"), true}, {svg(R"~(<g clip-path="url(#c)"/>)~"), false},
        {svg(R"~(<g clip-path='url(#c) url(#d)'/>)~"), true}, {svg(R"~(<g clip-path="circle(5px)"/>)~"), true},
        {svg(R"~(<g mask="url(#m)"/>)~"), true},
        // Names that only end in one of the three are other attributes.
        {svg(R"~(<g data-filter="blur" xlink:mask="x" my.clip-path="y"/>)~"), false},
        // Style declarations of the screened properties are examined.
        {svg(R"~(<rect style="fill: red; filter: none"/>)~"), false},
        {svg(R"~(<rect style="fill: red; animation: spin 2s"/>)~"), true},
        {svg(R"~(<rect style="animation-name: spin"/>)~"), false},
        {svg(R"~(<rect style="-webkit-clip-path: url(#c)"/>)~"), false},
        {svg(R"~(<rect style="mask-image: linear-gradient(red, blue)"/>)~"), true},
        {svg(R"~(<rect style="fill: red; /* filter: blur(2px) */"/>)~"), false},
        {svg("<style>\n rect {\n  fill: red;\n  /* clip-path:\n circle() */\n}\n</style>"), false},
        {svg("<style type='text/css'>\n rect {\n  fill: red;\n  clip-path: circle(4px);\n}\n</style>"), true},
        {svg("<svg:style>g{-webkit-filter:blur(1px)}</svg:style>"), true},
    };
    for (const auto& [document, browser] : cases) EXPECT_EQ(needsBrowser(document), browser) << document;
}

} // namespace
