#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Decoding/DecoderRegistry.h"
#include "ImageEngine/Decoding/ImageIODecoder.h"
#include "platform/files/FileErrorText.h"
#include "platform/read/ImageReader.h"
#include "support/TemporaryFolder.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace pictavo;
using platform::ContentType;
using testing_support::TemporaryFolder;
using testing_support::thrown;

namespace {

std::string unsupportedMessage(const DecoderRegistry& registry, const std::filesystem::path& path) {
    try {
        registry.decoder(path);
    } catch (const ConversionError& error) {
        if (auto* unsupported = error.get<ConversionError::UnsupportedInput>()) return unsupported->message;
        return "another error: " + error.diagnostic();
    }
    return "no error";
}

// A decoder that reads only one type, to check the order of preference and the shared rules.
class OneTypeDecoder final : public ImageDecoder {
public:
    explicit OneTypeDecoder(ContentType type) : types_{std::move(type)} {}
    const std::unordered_set<ContentType>& readableTypes() const override { return types_; }
    ImageProperties properties(const std::filesystem::path&) const override { return {}; }
    DecodedImage decode(const std::filesystem::path&) const override {
        throw ConversionError::decodeFailed("one type");
    }

private:
    std::unordered_set<ContentType> types_;
};

TEST(DecoderRegistry, GivesRasterFilesToTheRasterDecoderByTheirExtension) {
    const auto registry = DecoderRegistry::standard();
    TemporaryFolder folder;
    for (const char* name : {"a.png", "b.JPG", "c.heic", "d.gif", "e.tiff", "f.ico", "g.webp", "h.bmp", "i.icns",
                             "j.dng", "k.nrw", "l.heif", "m.HIF", "n.jp2", "o.exr", "p.pgm", "q.hdr", "r.jfif", "s.MPO"}) {
        EXPECT_TRUE(dynamic_cast<const ImageIODecoder*>(registry.decoder(folder.file(name)).get())) << name;
    }
    // A vanished file is matched by its name; reading it is what fails, saying it is not there.
    const auto vanished = folder.file("vanished.png");
    const auto error = thrown<platform::FileError>([&] { registry.decoder(vanished)->properties(vanished); });
    ASSERT_TRUE(error);
    EXPECT_EQ(platform::fileErrorDescription(*error),
              "The file \"vanished.png\" couldn't be opened because there is no such file.");
}

// Reads as another user would: root reads a file whatever its permission bits, but not once
// its file-system identity is another user's, which drops that power for this thread alone.
class AsAnotherUser {
public:
    AsAnotherUser() {
        if (::geteuid() == 0) ::setfsuid(65534);
    }
    ~AsAnotherUser() {
        if (::geteuid() == 0) ::setfsuid(0);
    }
    AsAnotherUser(const AsAnotherUser&) = delete;
    AsAnotherUser& operator=(const AsAnotherUser&) = delete;
};

// A file deleted after it was added, or one the user may not read, is no damaged image: each
// decoder says why it could not be opened, in the sentence of the read error.
TEST(DecoderRegistry, AFileThatIsNotThereOrMayNotBeReadSaysSoRatherThanThatItMayBeDamaged) {
    const auto registry = DecoderRegistry::standard();
    TemporaryFolder folder;
    // Only the file itself is locked, as `chmod 000` locks it.
    std::filesystem::permissions(folder.path(), std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                                    std::filesystem::perms::group_exec |
                                                    std::filesystem::perms::others_read |
                                                    std::filesystem::perms::others_exec);
    const auto sentence = [&](const std::filesystem::path& file, bool decode) -> std::string {
        const auto decoder = registry.decoder(file);
        const auto error = thrown<platform::FileError>([&] {
            AsAnotherUser reader;
            if (decode) {
                decoder->decode(file);
            } else {
                decoder->properties(file);
            }
        });
        return error ? platform::fileErrorDescription(*error) : std::string("no file error");
    };
    for (const std::string name : {"photo.png", "scan.tiff", "drawing.svg", "letter.pdf"}) {
        for (const bool decode : {false, true}) {
            EXPECT_EQ(sentence(folder.file(name), decode),
                      "The file \"" + name + "\" couldn't be opened because there is no such file.")
                << name << (decode ? " decoded" : " inspected");
            const auto locked = folder.write(name, {0x89, 'P', 'N', 'G'});
            ::chmod(locked.c_str(), 0);
            EXPECT_EQ(sentence(locked, decode),
                      "The file \"" + name + "\" couldn't be opened because you don't have permission to view it.")
                << name << (decode ? " decoded" : " inspected");
            std::filesystem::remove(locked);
        }
    }
}

TEST(DecoderRegistry, TheFirstDecoderThatAcceptsWinsSubtypesAreAcceptedAndAnUnreadableExtensionIsNamed) {
    const auto standard = DecoderRegistry::standard();
    EXPECT_EQ(unsupportedMessage(standard, "/tmp/photo.ABC"), "This computer can't read .abc files.");
    EXPECT_EQ(unsupportedMessage(standard, "/tmp/Ünïcode.ÄBC"), "This computer can't read .äbc files.");
    EXPECT_EQ(unsupportedMessage(standard, "/tmp/README"), "This computer can't read this kind of file.");

    auto first = std::make_shared<const OneTypeDecoder>(ContentType::png());
    auto second = std::make_shared<const OneTypeDecoder>(ContentType::png());
    const DecoderRegistry registry({first, second});
    EXPECT_EQ(registry.decoder("/tmp/x.png"), first);

    const OneTypeDecoder raw(ContentType::cameraRawImage());
    EXPECT_TRUE(raw.canDecode(*ContentType::withIdentifier("com.nikon.raw-image")));
    EXPECT_FALSE(raw.canDecode(ContentType::image()));
    EXPECT_FALSE(OneTypeDecoder(ContentType::png()).canDecode(ContentType::data()));

    EXPECT_EQ(registry.readableTypes(), (std::unordered_set<ContentType>{ContentType::png()}));
    EXPECT_EQ(unsupportedMessage(DecoderRegistry({}), "/tmp/x.png"), "This computer can't read .png files.");
}

TEST(DecoderRegistry, ReadsEveryTypeTheImageReaderListsAndSVGAndPDF) {
    const auto types = DecoderRegistry::standard().readableTypes();
    // Every identifier the reader reports is a declared type: none is lost on the way.
    EXPECT_EQ(types.size(), platform::ImageReader::readableTypeIdentifiers().size() + 2);
    for (const auto* type : {&ContentType::svg(), &ContentType::pdf(), &ContentType::png(), &ContentType::jpeg(),
                             &ContentType::gif(), &ContentType::tiff(), &ContentType::ico(), &ContentType::icns(),
                             &ContentType::bmp(), &ContentType::webp()})
        EXPECT_TRUE(types.count(*type)) << type->identifier();
    EXPECT_FALSE(types.count(ContentType::image()));
}

} // namespace
