#include "platform/text/XMLDocument.h"

#include <gtest/gtest.h>

#include <string>

using platform::XMLDocument;

namespace {

platform::XMLReading read(const std::string& text) {
    return XMLDocument::read({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

TEST(XMLDocument, TheCanonicalFormIgnoresOnlyWhiteSpaceBetweenElements) {
    const auto spaced = read("<svg>\n  <g>\n    \n    <rect a=\"1\"/>\n  </g>\n</svg>");
    const auto packed = read("<svg><g><rect a='1'></rect></g></svg>");
    ASSERT_TRUE(spaced.document && packed.document);
    EXPECT_EQ(spaced.document->canonicalText(), packed.document->canonicalText());
    // Text that is more than white space keeps every space it has.
    EXPECT_NE(read("<text>a <tspan/> b</text>").document->canonicalText(),
              read("<text>a <tspan/>b</text>").document->canonicalText());
    // Text split by a removed element reads as the text that remains.
    auto split = read("<text>a<metadata/>  </text>");
    split.document->remove(split.document->elementsWithLocalName("metadata").front());
    EXPECT_EQ(split.document->canonicalText(), read("<text>a  </text>").document->canonicalText());
}

TEST(XMLDocument, ElementsDoctypeAndEntitiesAreReadWithoutLoadingAnything) {
    const auto reading = read(R"~(<!DOCTYPE svg PUBLIC "-//W3C//DTD SVG 1.1//EN" "http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd" [
  <!ENTITY inner "x"> <!ENTITY outer SYSTEM "file:///etc/hostname"> <!ATTLIST g xml:space (default|preserve) "preserve">
]><svg xmlns="http://www.w3.org/2000/svg" xmlns:o="urn:o"><g><o:metadata/><metadata xml:space="default">&inner;</metadata></g></svg>)~");
    ASSERT_TRUE(reading.document);
    const auto& document = *reading.document;
    EXPECT_EQ(document.documentTypePublicID(), "-//W3C//DTD SVG 1.1//EN");
    EXPECT_EQ(document.documentTypeSystemID(), "http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd");
    const auto entities = document.entityDeclarations();
    ASSERT_EQ(entities.size(), 2u);
    EXPECT_TRUE(!entities[0].external && entities[1].external);
    EXPECT_EQ(document.declaredXMLSpaceDefault("g"), "preserve");
    EXPECT_EQ(document.declaredXMLSpaceDefault("rect"), std::nullopt);
    const auto metadata = document.elementsWithLocalName("metadata");
    ASSERT_EQ(metadata.size(), 2u);
    EXPECT_EQ(metadata[0].namespaceName(), "urn:o");
    EXPECT_EQ(metadata[0].qualifiedName(), "o:metadata");
    EXPECT_EQ(metadata[1].namespaceName(), "http://www.w3.org/2000/svg");
    EXPECT_EQ(metadata[1].xmlSpace(), "default");
    EXPECT_EQ(metadata[1].parentElement()->localName(), "g");
    EXPECT_FALSE(metadata[1].parentElement()->parentElement()->parentElement());
    // The entity stays a reference: nothing of the external one was read.
    EXPECT_EQ(document.canonicalText().find("&outer;"), std::string::npos);
    EXPECT_NE(document.canonicalText().find("&inner;"), std::string::npos);
}

TEST(XMLDocument, AnUndeclaredEntityIsToldApartFromOtherFaults) {
    const auto undeclared = read("<!DOCTYPE svg [ <!ENTITY a 'x'> ]><svg>&a;&b;</svg>");
    EXPECT_FALSE(undeclared.document);
    EXPECT_TRUE(undeclared.readPastUndeclaredEntities);
    const auto broken = read("<!DOCTYPE svg [ <!ENTITY a 'x'> ]><svg>&b;<g></svg>");
    EXPECT_FALSE(broken.document);
    EXPECT_FALSE(broken.readPastUndeclaredEntities);
    EXPECT_FALSE(read("").document);
}

} // namespace
