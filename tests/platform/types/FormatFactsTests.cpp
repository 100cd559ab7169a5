#include "platform/read/ImageReader.h"
#include "platform/types/FormatFacts.h"
#include "platform/types/ImageSniffer.h"
#include "platform/types/ImageTypeIdentifiers.h"
#include "platform/write/ImageWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace platform;

namespace {

std::string sniffed(std::string_view bytes) {
    return sniffImageFormat(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())).typeIdentifier;
}

bool listed(const std::vector<std::string>& identifiers, const char* identifier) {
    return std::find(identifiers.begin(), identifiers.end(), identifier) != identifiers.end();
}

} // namespace

TEST(ImageSniffer, OverlappingSignaturesKeepTheirPrecedence) {
    using namespace std::string_literals;
    using namespace std::string_view_literals;
    // An ftyp box of 256 bytes starts like an ICO header; AVIF files name HEIF brands as well.
    const std::string box = "\0\0\1\0ftypmif1\0\0\0\0mif1miaf"s;
    EXPECT_EQ(sniffed(box + "avif" + std::string(236, '\0')), types::avif);
    EXPECT_EQ(sniffed(box + "heic" + std::string(236, '\0')), types::heic);
    EXPECT_EQ(sniffed("\0\0\1\0\1\0\x10\x10"sv), types::ico);
    // A TIFF header wins over an ftyp box that happens to follow it.
    EXPECT_EQ(sniffed("II*\0ftypavif\0\0\0\0avif"sv), types::tiff);
    // The minor version is no brand, and a box shorter than its header names none.
    EXPECT_EQ(sniffed("\0\0\0\x14" "ftypxxxxavifxxxx"sv), "");
    EXPECT_EQ(sniffed("\0\0\0\x0C" "ftypavifXXXX"sv), "");
    // Netpbm needs a blank after its magic.
    EXPECT_EQ(sniffed("P6\n1 1\n255\n"sv), types::ppm);
    EXPECT_EQ(sniffed("Pf 1 1\n"sv), types::pnm);
    EXPECT_EQ(sniffed("P6x"sv), "");
    EXPECT_EQ(sniffed("RIFF\0\0\0\0WEBPVP8 "sv), types::webp);
    EXPECT_EQ(sniffed("RIFF\0\0\0\0WAVE"sv), "");
}

TEST(FormatFacts, EveryRowTheReaderOrWriterNamesIsWhollyDescribed) {
    for (const auto& row : formatTable()) {
        ASSERT_TRUE(row.identifier);
        EXPECT_EQ(formatFacts(row.identifier), &row);
        for (const char* parent : row.parents) {
            const FormatFacts* declared = formatFacts(parent);
            ASSERT_TRUE(declared) << row.identifier;
            EXPECT_LT(declared, &row) << row.identifier << " is declared above its parent " << parent;
        }
        // A sniffed format is read, and is read by the back end of its family.
        if (!row.signatures.empty()) {
            EXPECT_NE(row.reader, ReadBackEnd::none) << row.identifier;
        }
        if (row.reader == ReadBackEnd::vips) {
            EXPECT_TRUE(row.vipsLoader) << row.identifier;
        }
        if (row.writer == WriteBackEnd::heif) {
            EXPECT_NE(row.heifCodec, HEIFCodec::none) << row.identifier;
        }
        // What the writer makes has a name and an extension to be saved under.
        if (row.writer != WriteBackEnd::none) {
            EXPECT_TRUE(row.displayName) << row.identifier;
            EXPECT_FALSE(row.extensions.empty()) << row.identifier;
        }
    }
    EXPECT_EQ(formatFacts("PUBLIC.PNG"), formatFacts(types::png));
    EXPECT_FALSE(formatFacts("public.unknown"));

    // The reader and writer list what their rows say, and nothing else: no document formats
    // among what is read, and no WebP among what this writer makes.
    const auto& readable = ImageReader::readableTypeIdentifiers();
    const auto& writable = ImageWriter::typeIdentifiers();
    for (const auto& identifier : readable) EXPECT_NE(formatFacts(identifier)->reader, ReadBackEnd::none) << identifier;
    for (const auto& identifier : writable) EXPECT_NE(formatFacts(identifier)->writer, WriteBackEnd::none) << identifier;
    for (const char* type : {types::png, types::jpeg, types::gif, types::tiff, types::webp, types::bmp, types::ico,
                             types::icns, types::dng, types::ppm, types::pgm, types::pbm, types::radiance})
        EXPECT_TRUE(listed(readable, type)) << type;
    for (const char* type : {types::png, types::jpeg, types::tiff, types::gif, types::heic, types::avif,
                             types::jpeg2000, types::bmp, types::ico, types::pdf})
        EXPECT_TRUE(listed(writable, type)) << type;
    for (const char* type : {types::pdf, types::svg}) EXPECT_FALSE(listed(readable, type)) << type;
    for (const char* type : {types::webp, types::radiance}) EXPECT_FALSE(listed(writable, type)) << type;
}
