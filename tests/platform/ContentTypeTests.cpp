#include "platform/ContentType.h"

#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <unordered_set>

using platform::ContentType;

TEST(ContentType, IdentifiersAreFoundWithoutRegardToLetterCase) {
    auto png = ContentType::withIdentifier("PUBLIC.PNG");
    ASSERT_TRUE(png);
    EXPECT_EQ(png->identifier(), "public.png"); // the declared spelling, not the caller's
    EXPECT_EQ(*png, ContentType::png());
    EXPECT_EQ(png->hash(), ContentType::png().hash());
    EXPECT_FALSE(ContentType::withIdentifier("public.nonexistent"));
    EXPECT_FALSE(ContentType::withIdentifier(""));
    EXPECT_FALSE(ContentType::withIdentifier("com.brackwen.pictavobyfenwid.same-as-source"));

    std::unordered_set<ContentType> set = {ContentType::jpeg()};
    EXPECT_TRUE(set.count(*ContentType::withIdentifier("Public.JPEG")));
}

TEST(ContentType, PreferredExtensionsComeFirst) {
    const std::vector<std::pair<const ContentType*, const char*>> preferred = {
        {&ContentType::jpeg(), "jpg"},  {&ContentType::tiff(), "tiff"}, {&ContentType::jpeg2000(), "jp2"},
        {&ContentType::heic(), "heic"}, {&ContentType::avif(), "avif"}, {&ContentType::webp(), "webp"},
        {&ContentType::icns(), "icns"}, {&ContentType::ico(), "ico"},   {&ContentType::bmp(), "bmp"},
        {&ContentType::gif(), "gif"},   {&ContentType::pdf(), "pdf"},   {&ContentType::svg(), "svg"},
        {&ContentType::png(), "png"},   {&ContentType::psd(), "psd"},   {&ContentType::exr(), "exr"},
        {&ContentType::jpegXL(), "jxl"}, {&ContentType::heics(), "heics"}, {&ContentType::heif(), "heif"},
    };
    for (const auto& [type, extension] : preferred) {
        EXPECT_EQ(type->preferredFilenameExtension(), extension) << type->identifier();
        ASSERT_FALSE(type->filenameExtensions().empty());
        EXPECT_EQ(type->filenameExtensions().front(), extension);
    }
    EXPECT_EQ(ContentType::jpeg().filenameExtensions(), (std::vector<std::string>{"jpg", "jpeg", "jpe", "jfif"}));
    EXPECT_EQ(ContentType::tiff().filenameExtensions(), (std::vector<std::string>{"tiff", "tif"}));
    EXPECT_EQ(ContentType::jpeg().preferredMIMEType(), "image/jpeg");
    EXPECT_EQ(ContentType::svg().preferredMIMEType(), "image/svg+xml");
    // Abstract types have neither extension nor MIME type.
    EXPECT_FALSE(ContentType::image().preferredFilenameExtension());
    EXPECT_FALSE(ContentType::heifStandard().preferredMIMEType());
}

TEST(ContentType, ConformanceIsReflexiveAndFollowsEveryParent) {
    EXPECT_TRUE(ContentType::png().conforms(ContentType::png()));
    EXPECT_TRUE(ContentType::png().conforms(ContentType::image()));
    EXPECT_TRUE(ContentType::png().conforms(ContentType::data()));
    EXPECT_TRUE(ContentType::png().conforms(ContentType::item()));
    EXPECT_TRUE(ContentType::png().conforms(ContentType::content()));
    EXPECT_FALSE(ContentType::image().conforms(ContentType::png()));
    EXPECT_FALSE(ContentType::png().conforms(ContentType::jpeg()));

    // The HEIF family, AVIF included, shares the parent that keeps greyscale in three channels.
    for (const auto* type : {&ContentType::heic(), &ContentType::heics(), &ContentType::heif(), &ContentType::avif()})
        EXPECT_TRUE(type->conforms(ContentType::heifStandard())) << type->identifier();
    EXPECT_FALSE(ContentType::jpeg().conforms(ContentType::heifStandard()));
    EXPECT_FALSE(ContentType::webp().conforms(ContentType::heifStandard()));

    // PDF is data and content but no image.
    EXPECT_TRUE(ContentType::pdf().conforms(ContentType::data()));
    EXPECT_TRUE(ContentType::pdf().conforms(ContentType::content()));
    EXPECT_FALSE(ContentType::pdf().conforms(ContentType::image()));

    EXPECT_TRUE(ContentType::svg().conforms(ContentType::image()));
    EXPECT_TRUE(ContentType::icns().conforms(ContentType::image()));
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

TEST(ContentType, ExtensionsAreFoundWithoutRegardToLetterCase) {
    EXPECT_EQ(ContentType::forFilenameExtension("JPG"), ContentType::jpeg());
    EXPECT_EQ(ContentType::forFilenameExtension("Jpeg"), ContentType::jpeg());
    EXPECT_EQ(ContentType::forFilenameExtension("tif"), ContentType::tiff());
    EXPECT_EQ(ContentType::forFilenameExtension("HEIC"), ContentType::heic());
    EXPECT_EQ(ContentType::forFilenameExtension("j2k"), ContentType::jpeg2000());
    EXPECT_EQ(ContentType::forFilenameExtension("pdf"), ContentType::pdf());
    EXPECT_FALSE(ContentType::forFilenameExtension(""));
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
    EXPECT_TRUE(first->conforms(ContentType::item()));
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
    EXPECT_EQ(ContentType::importedAs("public.avif"), ContentType::avif());
    EXPECT_EQ(ContentType::importedAs("public.avif").preferredFilenameExtension(), "avif");
    EXPECT_TRUE(ContentType::importedAs("PUBLIC.AVIF").conforms(ContentType::heifStandard()));

    auto bare = ContentType::importedAs("org.example.private-format");
    EXPECT_EQ(bare.identifier(), "org.example.private-format");
    EXPECT_FALSE(bare.preferredFilenameExtension());
    EXPECT_TRUE(bare.filenameExtensions().empty());
    EXPECT_FALSE(bare.isDynamic());
    EXPECT_FALSE(bare.conforms(ContentType::data()));
    EXPECT_EQ(bare, ContentType::importedAs("ORG.EXAMPLE.PRIVATE-FORMAT"));

    auto child = ContentType::importedAs("org.example.child", bare);
    EXPECT_TRUE(child.conforms(bare));
    auto imageChild = ContentType::importedAs("org.example.picture", ContentType::image());
    EXPECT_TRUE(imageChild.conforms(ContentType::data()));
}

TEST(ContentType, FilesAreJudgedByTheExtensionOfTheirName) {
    testing_support::TemporaryFolder folder;
    const auto photo = folder.write("Holiday.Photo.JPEG", {0xFF, 0xD8, 0xFF});
    EXPECT_EQ(ContentType::ofFile(photo), ContentType::jpeg());
    // The content does not matter: a PNG signature in a .gif file is still a GIF by name.
    const auto misnamed = folder.write("picture.gif", {0x89, 'P', 'N', 'G'});
    EXPECT_EQ(ContentType::ofFile(misnamed), ContentType::gif());

    EXPECT_FALSE(ContentType::ofFile(folder.write(".tiff", {1}))); // a hidden name, no extension
    EXPECT_FALSE(ContentType::ofFile(folder.write("README", {1})));
    EXPECT_FALSE(ContentType::ofFile(folder.write("photo.", {1})));
    EXPECT_EQ(ContentType::ofFile(folder.file("archive.tar.svg")), ContentType::svg());
    auto unknown = ContentType::ofFile(folder.file("notes.weird"));
    ASSERT_TRUE(unknown);
    EXPECT_TRUE(unknown->isDynamic());
    EXPECT_EQ(unknown->preferredFilenameExtension(), "weird");
    // A dot in a folder name is no extension of the file.
    EXPECT_FALSE(ContentType::ofFile(folder.path() / "photos.png" / "scan"));
}
