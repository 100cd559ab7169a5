#include "platform/types/ContentType.h"

#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <unordered_set>

using platform::ContentType;

TEST(ContentType, IdentifiersAndExtensionsAreFoundWithoutRegardToLetterCase) {
    auto png = ContentType::withIdentifier("PUBLIC.PNG");
    ASSERT_TRUE(png);
    EXPECT_EQ(png->identifier(), "public.png"); // the declared spelling, not the caller's
    EXPECT_EQ(*png, ContentType::png());
    for (const char* unknown : {"public.nonexistent", "", "com.brackwen.pictavobyfenwid.same-as-source"})
        EXPECT_FALSE(ContentType::withIdentifier(unknown)) << unknown;
    std::unordered_set<ContentType> set = {ContentType::jpeg()};
    EXPECT_TRUE(set.count(*ContentType::withIdentifier("Public.JPEG")));

    const std::pair<const char*, const ContentType*> extensions[] = {
        {"JPG", &ContentType::jpeg()}, {"Jpeg", &ContentType::jpeg()}, {"jpe", &ContentType::jpeg()},
        {"jfif", &ContentType::jpeg()}, {"tif", &ContentType::tiff()}, {"tiff", &ContentType::tiff()},
        {"HEIC", &ContentType::heic()}, {"j2k", &ContentType::jpeg2000()}, {"pdf", &ContentType::pdf()}};
    for (const auto& [extension, type] : extensions) EXPECT_EQ(ContentType::forFilenameExtension(extension), *type) << extension;
    EXPECT_FALSE(ContentType::forFilenameExtension(""));
}

TEST(ContentType, PreferredExtensionsComeFirstAndAbstractTypesHaveNone) {
    // The types whose preferred spelling is not the only obvious one.
    const std::pair<const ContentType*, const char*> preferred[] = {
        {&ContentType::jpeg(), "jpg"}, {&ContentType::tiff(), "tiff"}, {&ContentType::jpeg2000(), "jp2"},
        {&ContentType::jpegXL(), "jxl"}, {&ContentType::heif(), "heif"}};
    for (const auto& [type, extension] : preferred) {
        EXPECT_EQ(type->preferredFilenameExtension(), extension) << type->identifier();
        ASSERT_FALSE(type->filenameExtensions().empty());
        EXPECT_EQ(type->filenameExtensions().front(), extension);
    }
    EXPECT_EQ(ContentType::svg().preferredMIMEType(), "image/svg+xml");
    EXPECT_FALSE(ContentType::image().preferredFilenameExtension());
    EXPECT_FALSE(ContentType::heifStandard().preferredMIMEType());
}

TEST(ContentType, ConformanceIsReflexiveAndFollowsEveryParent) {
    for (const auto* parent : {&ContentType::png(), &ContentType::image(), &ContentType::data(), &ContentType::item(),
                               &ContentType::content()})
        EXPECT_TRUE(ContentType::png().conforms(*parent)) << parent->identifier();
    EXPECT_FALSE(ContentType::image().conforms(ContentType::png()));
    EXPECT_FALSE(ContentType::png().conforms(ContentType::jpeg()));

    // The HEIF family, AVIF included, shares the parent that keeps greyscale in three channels.
    for (const auto* type : {&ContentType::heic(), &ContentType::heics(), &ContentType::heif(), &ContentType::avif()})
        EXPECT_TRUE(type->conforms(ContentType::heifStandard())) << type->identifier();
    EXPECT_FALSE(ContentType::jpeg().conforms(ContentType::heifStandard()));
    EXPECT_FALSE(ContentType::webp().conforms(ContentType::heifStandard()));

    // PDF is data and content but no image.
    EXPECT_TRUE(ContentType::pdf().conforms(ContentType::data()) && ContentType::pdf().conforms(ContentType::content()));
    EXPECT_FALSE(ContentType::pdf().conforms(ContentType::image()));
    EXPECT_TRUE(ContentType::svg().conforms(ContentType::image()));
}

TEST(ContentType, CameraRawFilesAreCameraRawImages) {
    for (const char* extension : {"cr2", "CR3", "nef", "arw", "dng", "orf", "rw2", "raf", "pef", "srw", "NRW", "crw"}) {
        auto type = ContentType::forFilenameExtension(extension);
        ASSERT_TRUE(type) << extension;
        EXPECT_FALSE(type->isDynamic()) << extension;
        EXPECT_TRUE(type->conforms(ContentType::cameraRawImage())) << extension;
        EXPECT_TRUE(type->conforms(ContentType::image())) << extension;
    }
}

TEST(ContentType, UnknownExtensionsGiveAStableDynamicType) {
    auto first = ContentType::forFilenameExtension("xyz");
    auto second = ContentType::forFilenameExtension("XYZ");
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(first->isDynamic());
    EXPECT_EQ(*first, *second);
    EXPECT_EQ(first->hash(), second->hash());
    EXPECT_EQ(first->preferredFilenameExtension(), "xyz");
    EXPECT_EQ(second->preferredFilenameExtension(), "XYZ");
    EXPECT_TRUE(first->conforms(ContentType::data()));
    EXPECT_FALSE(first->conforms(ContentType::image()));
    EXPECT_FALSE(ContentType::withIdentifier(first->identifier())); // never declared by a lookup

    // A declared type that does not conform to the asked parent is not taken.
    auto pdfAsImage = ContentType::forFilenameExtension("pdf", ContentType::image());
    ASSERT_TRUE(pdfAsImage);
    EXPECT_TRUE(pdfAsImage->isDynamic());
    EXPECT_TRUE(pdfAsImage->conforms(ContentType::image()));
    EXPECT_NE(*pdfAsImage, ContentType::pdf());
}

TEST(ContentType, ImportedTypesAreTheDeclaredOnesWhenKnown) {
    EXPECT_EQ(ContentType::importedAs("PUBLIC.AVIF"), ContentType::avif());
    EXPECT_EQ(ContentType::importedAs("public.avif").preferredFilenameExtension(), "avif");

    auto bare = ContentType::importedAs("org.example.private-format");
    EXPECT_EQ(bare.identifier(), "org.example.private-format");
    EXPECT_TRUE(bare.filenameExtensions().empty());
    EXPECT_FALSE(bare.isDynamic());
    EXPECT_FALSE(bare.conforms(ContentType::data()));
    EXPECT_EQ(bare, ContentType::importedAs("ORG.EXAMPLE.PRIVATE-FORMAT"));
    EXPECT_TRUE(ContentType::importedAs("org.example.child", bare).conforms(bare));
    EXPECT_TRUE(ContentType::importedAs("org.example.picture", ContentType::image()).conforms(ContentType::data()));
}

TEST(ContentType, FilesAreJudgedByTheExtensionOfTheirName) {
    testing_support::TemporaryFolder folder;
    EXPECT_EQ(ContentType::ofFile(folder.write("Holiday.Photo.JPEG", {0xFF, 0xD8, 0xFF})), ContentType::jpeg());
    // The content does not matter: a PNG signature in a .gif file is still a GIF by name.
    EXPECT_EQ(ContentType::ofFile(folder.write("picture.gif", {0x89, 'P', 'N', 'G'})), ContentType::gif());
    EXPECT_EQ(ContentType::ofFile(folder.file("archive.tar.svg")), ContentType::svg());
    // A compressed SVG is an SVG by name too; what an SVG is written as stays .svg.
    EXPECT_EQ(ContentType::ofFile(folder.file("icon.svgz")), ContentType::svg());
    EXPECT_EQ(ContentType::svg().preferredFilenameExtension(), "svg");
    // A hidden name, no name after the dot, no dot, and a dot in a folder name: no extension.
    for (const char* name : {".tiff", "photo.", "README", "photos.png/scan"})
        EXPECT_FALSE(ContentType::ofFile(folder.path() / name)) << name;
    const auto unknown = ContentType::ofFile(folder.file("notes.weird"));
    EXPECT_TRUE(unknown && unknown->isDynamic() && unknown->preferredFilenameExtension() == "weird");
}
