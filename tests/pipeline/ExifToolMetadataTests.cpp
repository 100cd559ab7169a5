// Sources whose metadata ExifTool wrote, converted with their metadata kept, and the outputs
// read back as ExifTool and exiv2 read them.
#include "ConversionTesting.h"

#include "ImageEngine/Encoding/png/PNGChunks.h"
#include "ImageEngine/Model/ConversionError.h"
#include "platform/files/FilePath.h"
#include "platform/metadata/JPEGSegments.h"
#include "platform/text/UnicodeText.h"

#include "support/EncodedSamples.h"
#include "support/MetadataReaders.h"
#include "support/PSDSamples.h"
#include "support/SampleImages.h"
#include "support/XMPSamples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iomanip>
#include <thread>
#include <tuple>
#include <vector>

namespace {

using namespace pictavo;
using namespace pipeline_testing;
using namespace testing_support;
namespace fs = std::filesystem;

// A 64 x 48 file of the extension's format with ExifTool's edits `arguments` applied to it.
fs::path editedByExifTool(const TemporaryFolder& folder, const std::string& name, const std::string& arguments) {
    SampleImage sample;
    sample.width = 64, sample.height = 48;
    const fs::path path = folder.write(name, *encodeSample(sample, fs::path(name).extension().string()));
    EXPECT_TRUE(
        run("cd " + quoted(folder.path()) + " && exiftool -m -overwrite_original " + arguments + " " + quoted(path)))
        << arguments;
    return path;
}

// A file with the XMP packet written by ExifTool as it stands.
fs::path withPacket(const TemporaryFolder& folder, const std::string& name, const std::string& packet) {
    std::ofstream(folder.file(name + ".xmp"), std::ios::binary) << packet;
    return editedByExifTool(folder, name, "'-xmp<=" + name + ".xmp'");
}

std::string packetHolding(const std::string& declarations, const std::string& elements) {
    return "<?xpacket begin='\xEF\xBB\xBF' id='W5M0MpCehiHzreSzNTczkc9d'?>\n"
           "<x:xmpmeta xmlns:x='adobe:ns:meta/' x:xmptk='Image::ExifTool 12.57'>\n"
           "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>\n"
           " <rdf:Description rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/' "
           "xmlns:tiff='http://ns.adobe.com/tiff/1.0/' xmlns:xmpMM='http://ns.adobe.com/xap/1.0/mm/'" +
           declarations +
           ">\n  <dc:title><rdf:Alt><rdf:li xml:lang='x-default'>Harbour at dusk</rdf:li></rdf:Alt></dc:title>\n" +
           elements + " </rdf:Description>\n</rdf:RDF>\n</x:xmpmeta>\n<?xpacket end='w'?>";
}

// The PNG with its text chunks (its XMP among them) moved to stand after its pixel data, as
// some writers put them.
platform::Bytes withTextAfterThePixels(const platform::Bytes& png) {
    const auto chunks = PNGChunks::parse(png);
    EXPECT_TRUE(chunks);
    if (!chunks) return {};
    std::vector<PNGChunks::Chunk> moved, text;
    for (const auto& chunk : *chunks) {
        if (chunk.type == "tEXt" || chunk.type == "zTXt" || chunk.type == "iTXt") text.push_back(chunk);
        else if (chunk.type != "IEND") moved.push_back(chunk);
    }
    moved.insert(moved.end(), text.begin(), text.end());
    moved.push_back(chunks->back());
    return *PNGChunks::assemble(moved);
}

// Re-encoded: a JPEG kept lossless would be the source's own file, its metadata as it was.
ConversionResult converted(const fs::path& source, const OutputFormat& format) {
    OutputSpec spec = specFor(format);
    if (format == OutputFormat::jpeg()) spec.quality = QualityMode::quality(80);
    return standardEngine().convert(source, spec, 1, EncodeEffort::final);
}

} // namespace

TEST(ExifToolMetadata, ANestedOrUnreadableOrientationCostsNothingAndOnlyAPacketThatIsNotXMLIsLeftOut) {
    TemporaryFolder folder;
    // A placed document's orientation, alone or before the picture's own, is not the picture's.
    const std::string pantry = "  <xmpMM:Pantry><rdf:Bag><rdf:li rdf:parseType='Resource'>"
                               "<tiff:Orientation>6</tiff:Orientation></rdf:li></rdf:Bag></xmpMM:Pantry>\n";
    const std::pair<std::string, std::string> packets[] = {
        {"", pantry},
        {"", pantry + "  <tiff:Orientation>1</tiff:Orientation>\n"},
        {" tiff:Orientation=''", ""},
        {"", "  <tiff:Orientation>Horizontal (normal)</tiff:Orientation>\n"},
        {"", "  <tiff:Orientation/>\n"},
        {"", "  <dc:description><rdf:Alt><rdf:li "
             "xml:lang='x-default'>tiff:Orientation='3'</rdf:li></rdf:Alt></dc:description>\n"}};
    int index = 0;
    for (const auto& [declarations, elements] : packets) {
        const fs::path source =
            withPacket(folder, "odd" + std::to_string(index++) + ".png", packetHolding(declarations, elements));
        for (const auto& format : {OutputFormat::jpeg(), OutputFormat::webp(), OutputFormat::tiff()}) {
            SCOPED_TRACE(source.filename().string() + " to " + format.id());
            const ConversionResult result = converted(source, format);
            EXPECT_EQ(result.pixelSize, (platform::Size{64, 48}));
            auto properties = xmpProperties(readWithVips(*result.data)->xmp);
            EXPECT_EQ(properties.count("Xmp.dc.title"), 1u);
            EXPECT_EQ(properties["Xmp.tiff.Orientation"], "1");
            EXPECT_EQ(properties["Xmp.xmpMM.Pantry[1]/tiff:Orientation"], elements.starts_with(pantry) ? "6" : "");
            EXPECT_EQ(result.diagnostic, "");
        }
    }

    // ExifTool refuses to write what is not XML; other programs do not.
    SampleImage sample;
    sample.xmp = "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF>";
    const auto result = converted(folder.write("broken.png", *encodeSample(sample, ".png")), OutputFormat::jpeg());
    EXPECT_EQ(readWithVips(*result.data)->xmp, "");
    EXPECT_NE(result.diagnostic.find("was left out: the XMP packet is not XML"), std::string::npos) << result.diagnostic;
}

TEST(ExifToolMetadata, OutputsReadBackByExifToolAndExiv2LoseNothingAndWarnOfNothing) {
    TemporaryFolder folder;
    // With a comment and a thumbnail that together take ExifTool's EXIF across two segments.
    std::ofstream(folder.file("comment.txt")) << std::string(40'000, 'c');
    std::ofstream(folder.file("thumbnail.jpg"), std::ios::binary) << "\xFF\xD8" << std::string(29'996, 't') << "\xFF\xD9";
    const fs::path source = editedByExifTool(
        folder, "camera.jpg",
        "-XMP-dc:Title='Harbour at dusk' -XMP-xmp:Rating=4 '-XMP-xmp:CreateDate=2022:02:03 04:05:07.45+02:00' "
        "-EXIF:Make=Fuji -EXIF:Model=X-T5 -LensModel='XF 35mm' '-DateTimeOriginal=2022:02:03 04:05:06' "
        "-SubSecTimeOriginal=123 -OffsetTimeOriginal=+02:00 '-EXIF:CreateDate=2022:02:03 04:05:07' "
        "-GPSLatitude=48.85 -GPSLatitudeRef=N -GPSLongitude=2.35 -GPSLongitudeRef=E "
        "'-UserComment<=comment.txt' '-ThumbnailImage<=thumbnail.jpg'");
    ASSERT_NE(printed("exiftool -a -Warning " + quoted(source)).find("multi-segment EXIF"), std::string::npos);
    const std::string expected = "Harbour at dusk\n4\nFuji\nX-T5\nXF 35mm\n48 deg 51' 0.00\" N\n" + std::string(40'000, 'c') +
                                 "\n2022:02:03 04:05:07.45+02:00\n2022:02:03 04:05:06.123+02:00\n";
    for (const auto& format : {OutputFormat::jpeg(), OutputFormat::png(), OutputFormat::webp(), OutputFormat::tiff()}) {
        SCOPED_TRACE(format.id());
        const fs::path output = folder.write("out." + format.fileExtension(), *converted(source, format).data);
        EXPECT_EQ(complaints(output), "");
        // A WebP carries the EXIF as XMP, the original date with its sub-seconds and time zone.
        const std::string date = format == OutputFormat::webp() ? "-XMP-exif:DateTimeOriginal" : "-SubSecDateTimeOriginal";
        EXPECT_EQ(printed("exiftool -s3 -Title -Rating -Make -Model -LensModel -GPSLatitude -UserComment "
                          "-XMP-xmp:CreateDate " + date + " " + quoted(output)),
                  expected);
    }
}

TEST(ExifToolMetadata, ManyConversionsAtOnceGiveEachTheSameBytesAsOneAlone) {
    TemporaryFolder folder;
    // A packet ExifTool has to split into extended XMP, beside EXIF that holds GPS.
    std::string description;
    for (int word = 0; description.size() < 269'000; ++word) description += "harbour" + std::to_string(word) + " ";
    std::ofstream(folder.file("description.txt")) << description;
    const fs::path source = editedByExifTool(
        folder, "busy.jpg",
        "-XMP-dc:Title=Harbour '-XMP-dc:Description<=description.txt' -EXIF:Make=Fuji -EXIF:Model=X-T5 "
        "-GPSLatitude=48.85 -GPSLatitudeRef=N -GPSLongitude=2.35 -GPSLongitudeRef=E -XMP:GPSLatitude=10");
    const unsigned threads = std::max(4u, std::thread::hardware_concurrency());
    for (const auto& format : {OutputFormat::webp(), OutputFormat::jpeg()}) {
        SCOPED_TRACE(format.id());
        OutputSpec spec = specFor(format);
        spec.quality = QualityMode::quality(80);
        const platform::Bytes alone = *standardEngine().convert(source, spec, 1, EncodeEffort::final).data;
        std::vector<std::string> outcomes(threads * 3);
        std::vector<std::jthread> running;
        for (unsigned thread = 0; thread < threads; ++thread)
            running.emplace_back([&, thread] {
                for (unsigned index = thread; index < outcomes.size(); index += threads) {
                    try {
                        const auto result = standardEngine().convert(source, spec, 1, EncodeEffort::final);
                        outcomes[index] = *result.data == alone ? "same" : "different: " + result.diagnostic;
                    } catch (const ConversionError& error) {
                        outcomes[index] = error.diagnostic();
                    }
                }
            });
        running.clear();
        for (const std::string& outcome : outcomes) EXPECT_EQ(outcome, "same");
    }
}

TEST(ExifToolMetadata, EXIFAndXMPAreReadFromEveryFormatInWhateverFormItHoldsThem) {
    TemporaryFolder folder;
    // libvips reads no EXIF from a TIFF or a JPEG XL container, and no XMP from HEIF or JPEG XL.
    const std::string camera = "-EXIF:Make=Fuji -EXIF:Model=X-T5 -EXIF:Artist=Ann '-DateTimeOriginal=2022:02:03 04:05:06' "
                               "-GPSLatitude=48.85 -GPSLatitudeRef=N -GPSLongitude=2.35 -GPSLongitudeRef=E "
                               "-XMP-dc:Title=Harbour";
    std::vector<fs::path> sources;
    for (const char* name : {"camera.tif", "camera.jxl", "camera.heic"}) sources.push_back(editedByExifTool(folder, name, camera));
    // exiv2, like ImageMagick, writes a PNG's EXIF as hexadecimal text in a compressed text chunk.
    SampleImage sample;
    sample.width = 64, sample.height = 48;
    const fs::path png = folder.write("profile.png", *encodeSample(sample, ".png"));
    ASSERT_TRUE(run("exiv2 -M'set Exif.Image.Make Fuji' -M'set Exif.Image.Model X-T5' "
                    "-M'set Exif.Photo.DateTimeOriginal 2022:02:03 04:05:06' "
                    "-M'set Exif.GPSInfo.GPSLatitude 48/1 51/1 0/1' -M'set Exif.GPSInfo.GPSLatitudeRef N' " +
                    quoted(png)));
    ASSERT_NE(printed("exiftool -v3 " + quoted(png)).find("Raw profile type"), std::string::npos);
    sources.push_back(png);
    for (const auto& source : sources) {
        for (const auto& format : {OutputFormat::jpeg(), OutputFormat::png(), OutputFormat::webp(), OutputFormat::tiff()}) {
            SCOPED_TRACE(source.filename().string() + " to " + format.id());
            const fs::path output = folder.write("out-" + source.extension().string().substr(1) + "." +
                                                     format.fileExtension(),
                                                 *converted(source, format).data);
            EXPECT_EQ(complaints(output), "");
            EXPECT_EQ(printed("exiftool -s3 -Make -Model -DateTimeOriginal -GPSLatitude " + quoted(output)),
                      "Fuji\nX-T5\n2022:02:03 04:05:06\n48 deg 51' 0.00\" N\n");
            // A WebP carries the EXIF as XMP, where the artist is the creator.
            if (source != png) {
                EXPECT_EQ(printed("exiftool -s3 " + std::string(format == OutputFormat::webp() ? "-Creator" : "-Artist") +
                                  " -Title " + quoted(output)),
                          "Ann\nHarbour\n");
            }
        }
    }
}

TEST(ExifToolMetadata, IPTCIsCarriedWholeIntoJPEGAndTIFFAndAsXMPIntoTheOtherFormats) {
    TemporaryFolder folder;
    // Latin-1, as IPTC is read when its records do not say UTF-8; the packet's own creator stays.
    const fs::path jpeg = editedByExifTool(folder, "captioned.jpg",
                                           "-charset iptc=latin -IPTC:Keywords=harbour -IPTC:Keywords=dusk "
                                           "'-IPTC:Caption-Abstract=Boats at dusk' -IPTC:By-line=Ann "
                                           "-IPTC:City=S\xC3\xA8te '-IPTC:CopyrightNotice=(c) Ann' -XMP-dc:Creator=Bea");
    // ExifTool types a TIFF's IPTC tag LONG: 48 bytes are 12 values.
    const fs::path tiff = editedByExifTool(folder, "keywords.tif",
                                           "-IPTC:Keywords=harbour -IPTC:Keywords=dusk -IPTC:Keywords=boats -IPTC:City=Brest");
    ASSERT_NE(printed("exiftool -v3 " + quoted(tiff)).find("int32u[12]"), std::string::npos);
    for (const auto& format : {OutputFormat::jpeg(), OutputFormat::png(), OutputFormat::webp(), OutputFormat::tiff()}) {
        const bool holdsIPTC = format == OutputFormat::jpeg() || format == OutputFormat::tiff();
        for (const auto& source : {jpeg, tiff}) {
            SCOPED_TRACE(source.filename().string() + " to " + format.id());
            const fs::path output =
                folder.write("out-" + source.stem().string() + "." + format.fileExtension(), *converted(source, format).data);
            EXPECT_EQ(complaints(output), "");
            const std::string fields = holdsIPTC ? "-IPTC:Keywords -IPTC:Caption-Abstract -IPTC:By-line -IPTC:City "
                                                   "-IPTC:CopyrightNotice -XMP:Creator"
                                                 : "-XMP:Subject -XMP:Description -XMP:City -XMP:Rights -XMP:Creator";
            EXPECT_EQ(printed("exiftool -s3 " + fields + " " + quoted(output)),
                      source == tiff ? "harbour, dusk, boats\nBrest\n"
                                     : "harbour, dusk\nBoats at dusk\n" + std::string(holdsIPTC ? "Ann\n" : "") +
                                           "S\xC3\xA8te\n(c) Ann\nBea\n");
        }
    }
}

TEST(ExifToolMetadata, AnOutputStatesItsOwnSizeAndLeavesOutAThumbnailOnItsSide) {
    TemporaryFolder folder;
    SampleImage small;
    small.width = 16, small.height = 12;
    const platform::Bytes thumbnail = *encodeSample(small, ".jpg");
    folder.write("thumbnail.jpg", thumbnail);
    const fs::path source = editedByExifTool(folder, "sideways.jpg",
                                             "-Orientation#=6 -ExifIFD:ExifImageWidth=64 -ExifIFD:ExifImageHeight=48 "
                                             "-XMP-exif:ExifImageWidth=64 -XMP-exif:ExifImageHeight=48 "
                                             "-XMP-tiff:ImageWidth=64 -XMP-tiff:ImageHeight=48 "
                                             "'-ThumbnailImage<=thumbnail.jpg'");
    for (const double scale : {1.0, 0.5}) {
        for (const auto& format : {OutputFormat::jpeg(), OutputFormat::png(), OutputFormat::tiff(), OutputFormat::heic(),
                                   OutputFormat::webp()}) {
            SCOPED_TRACE(format.id() + " at " + std::to_string(scale));
            OutputSpec spec = specFor(format);
            if (format == OutputFormat::jpeg() || format == OutputFormat::webp()) spec.quality = QualityMode::quality(80);
            spec.sizing = ResizeSpec::percentage(scale);
            const ConversionResult result = standardEngine().convert(source, spec, 1, EncodeEffort::final);
            const fs::path output = folder.write("out." + format.fileExtension(), *result.data);
            EXPECT_EQ(complaints(output), "");
            const std::string size = std::to_string(static_cast<int>(48 * scale)) + "\n" +
                                     std::to_string(static_cast<int>(64 * scale)) + "\n";
            EXPECT_EQ(printed("exiftool -s3 -ExifIFD:ExifImageWidth -ExifIFD:ExifImageHeight " + quoted(output)), size);
            EXPECT_EQ(printed("exiftool -s3 -XMP-exif:ExifImageWidth -XMP-exif:ExifImageHeight " + quoted(output)), size);
            EXPECT_EQ(printed("exiftool -s3 -XMP-tiff:ImageWidth -XMP-tiff:ImageHeight " + quoted(output)), size);
            EXPECT_EQ(printed("exiftool -s3 -ThumbnailImage " + quoted(output)), "");
            EXPECT_NE(result.diagnostic.find("EXIF thumbnail was left out"), std::string::npos) << result.diagnostic;
            // Left out, it is not in the bytes either.
            EXPECT_EQ(std::search(result.data->begin(), result.data->end(), thumbnail.begin(), thumbnail.end()),
                      result.data->end());
        }
    }
}

TEST(ExifToolMetadata, AReferenceIsReadAsItsCharacterAndTheLensRangesAndPositionErrorReachAWebP) {
    TemporaryFolder folder;
    // ExifTool, like every XML reader, reads the reference as 6.
    const fs::path referenced = withPacket(folder, "referenced.png", packetHolding(" tiff:Orientation='&#54;'", ""));
    EXPECT_EQ(converted(referenced, OutputFormat::jpeg()).pixelSize, (platform::Size{48, 64}));

    const fs::path lens = editedByExifTool(folder, "lens.jpg",
                                           "'-LensInfo=18 55 3.5 5.6' -GPSHPositioningError=4.5 -GPSLatitude=1 -GPSLatitudeRef=N");
    const fs::path output = folder.write("lens.webp", *converted(lens, OutputFormat::webp()).data);
    EXPECT_EQ(complaints(output), "");
    EXPECT_EQ(printed("exiftool -s3 -XMP-exifEX:LensInfo -XMP-exif:GPSHPositioningError " + quoted(output)),
              "18-55mm f/3.5-5.6\n4.5 m\n");
}

TEST(ExifToolMetadata, APNGAsImageMagickWritesItAndAJPEGXLAsCjxlWritesItKeepTheirMetadata) {
    TemporaryFolder folder;
    const fs::path camera = editedByExifTool(
        folder, "camera.jpg",
        "-EXIF:Make=Fuji -EXIF:Model=X-T5 '-DateTimeOriginal=2022:02:03 04:05:06' -GPSLatitude=48.85 "
        "-GPSLatitudeRef=N -GPSLongitude=2.35 -GPSLongitudeRef=E -XMP-dc:Title=Harbour "
        "-IPTC:Keywords=harbour -IPTC:Keywords=dusk -IPTC:City=Brest -Orientation#=6");
    // ImageMagick writes the EXIF as an eXIf chunk after the pixels, and the IPTC and XMP as
    // raw profiles; cjxl keeps a transcoded JPEG's EXIF and XMP in Brotli boxes, and its
    // orientation in the codestream, by which the pixels are decoded upright.
    ASSERT_TRUE(run("cd " + quoted(folder.path()) + " && /usr/bin/convert camera.jpg camera.png && cjxl --quiet camera.jpg camera.jxl"));
    const std::string png = printed("exiftool -v3 " + quoted(folder.file("camera.png")));
    ASSERT_LT(png.find("PNG IDAT"), png.find("PNG eXIf")) << png;
    ASSERT_EQ(printed("exiftool -s3 -IPTC:City " + quoted(folder.file("camera.png"))), "Brest\n");
    ASSERT_NE(printed("exiftool -v3 " + quoted(folder.file("camera.jxl"))).find("brob"), std::string::npos);
    for (const char* name : {"camera.png", "camera.jxl"}) {
        for (const auto& format : {OutputFormat::jpeg(), OutputFormat::webp(), OutputFormat::tiff(), OutputFormat::heic()}) {
            SCOPED_TRACE(std::string(name) + " to " + format.id());
            const ConversionResult result = converted(folder.file(name), format);
            EXPECT_EQ(result.pixelSize, (platform::Size{48, 64}));
            const fs::path output = folder.write("out." + format.fileExtension(), *result.data);
            EXPECT_EQ(complaints(output), "");
            EXPECT_EQ(printed("exiftool -s3 -Make -Model -DateTimeOriginal -GPSLatitude -XMP-dc:Title " + quoted(output)),
                      "Fuji\nX-T5\n2022:02:03 04:05:06\n48 deg 51' 0.00\" N\nHarbour\n");
            // IPTC only where the output holds it, as XMP elsewhere; a JPEG XL keeps none.
            const bool holdsIPTC = format == OutputFormat::jpeg() || format == OutputFormat::tiff();
            if (std::string(name) == "camera.png") {
                EXPECT_EQ(printed("exiftool -s3 " + std::string(holdsIPTC ? "-IPTC:Keywords -IPTC:City" : "-XMP:Subject -XMP:City") +
                                  " " + quoted(output)),
                          "harbour, dusk\nBrest\n");
            }
        }
    }
}

TEST(ExifToolMetadata, IPTCLargerThanOneSegmentIsReadFromEveryOneAndWrittenAcrossThem) {
    TemporaryFolder folder;
    // 1,300 keywords of 60 characters: some 84 kB of records, which ExifTool writes into a
    // JPEG as two APP13 segments.
    std::ofstream arguments(folder.file("keywords.args"));
    for (int index = 0; index < 1300; ++index) arguments << "-IPTC:Keywords=" << std::setw(60) << std::setfill('k') << index << "\n";
    arguments << "-IPTC:City=Brest\n";
    arguments.close();
    const fs::path jpeg = editedByExifTool(folder, "keywords.jpg", "-@ keywords.args");
    const fs::path tiff = editedByExifTool(folder, "keywords.tif", "-@ keywords.args");
    ASSERT_NE(printed("exiftool -v " + quoted(jpeg)).find("APP13 (65533 bytes):\nJPEG APP13"), std::string::npos);
    const std::string last = std::string(56, 'k') + "1299";
    for (const auto& source : {jpeg, tiff}) {
        for (const auto& format : {OutputFormat::jpeg(), OutputFormat::tiff()}) {
            SCOPED_TRACE(source.filename().string() + " to " + format.id());
            const ConversionResult result = converted(source, format);
            const fs::path output = folder.write("out." + format.fileExtension(), *result.data);
            EXPECT_EQ(complaints(output), "");
            const std::string keywords = printed("exiftool -s3 -sep '|' -IPTC:Keywords " + quoted(output));
            EXPECT_EQ(std::count(keywords.begin(), keywords.end(), '|'), 1299);
            EXPECT_TRUE(keywords.ends_with(last + "\n"));
            EXPECT_EQ(printed("exiftool -s3 -IPTC:City " + quoted(output)), "Brest\n");
        }
    }
}

TEST(ExifToolMetadata, AnXMPPacketInUTF16IsReadAsInUTF8WithItsOrientation) {
    TemporaryFolder folder;
    const std::string packet = packetHolding(" tiff:Orientation='6'", "");
    for (const bool bigEndian : {true, false}) {
        // Every character of the packet, the byte-order mark of its header too, in two bytes.
        const std::string order = bigEndian ? "be" : "le";
        std::ofstream wide(folder.file(order + ".xmp"), std::ios::binary);
        for (char32_t scalar : platform::scalars(packet)) {
            const char high = static_cast<char>(scalar >> 8), low = static_cast<char>(scalar & 0xFF);
            wide << (bigEndian ? high : low) << (bigEndian ? low : high);
        }
        wide.close();
        for (const char* extension : {".jpg", ".tif"}) {
            // ExifTool writes the packet as it stands, in place of the orientation libvips wrote.
            const fs::path source = editedByExifTool(folder, order + extension, "-IFD0:Orientation= '-XMP<=" + order + ".xmp'");
            ASSERT_EQ(printed("exiftool -s3 -Orientation# -XMP-dc:Title " + quoted(source)), "6\nHarbour at dusk\n");
            for (const auto& format : {OutputFormat::jpeg(), OutputFormat::webp(), OutputFormat::tiff()}) {
                SCOPED_TRACE(source.filename().string() + " to " + format.id());
                const ConversionResult result = converted(source, format);
                EXPECT_EQ(result.pixelSize, (platform::Size{48, 64}));
                EXPECT_EQ(result.diagnostic, "");
                const fs::path output = folder.write("out." + format.fileExtension(), *result.data);
                EXPECT_EQ(complaints(output), "");
                EXPECT_EQ(printed("exiftool -s3 -XMP-dc:Title -XMP-tiff:Orientation# " + quoted(output)),
                          "Harbour at dusk\n1\n");
            }
        }
    }
}

TEST(ExifToolMetadata, AWebPKeepsThePacketsOwnPropertiesBesideTheWholeEXIFAndATIFFNamesTheThumbnailItLeavesOut) {
    TemporaryFolder folder;
    SampleImage small;
    small.width = 16, small.height = 12;
    folder.write("thumbnail.jpg", *encodeSample(small, ".jpg"));
    const fs::path source = editedByExifTool(
        folder, "captioned.jpg",
        "'-XMP-dc:Description=XMP caption' -XMP-dc:Creator=Jane '-XMP-dc:Rights=(c) Jane' "
        "'-EXIF:ImageDescription=exif description' -EXIF:Artist=X '-EXIF:Copyright=(c) X' -EXIF:SerialNumber=SN123 "
        "-EXIF:OwnerName=Owen -EXIF:Make=Fuji '-ThumbnailImage<=thumbnail.jpg'");
    const ConversionResult webp = converted(source, OutputFormat::webp());
    const fs::path output = folder.write("out.webp", *webp.data);
    EXPECT_EQ(complaints(output), "");
    EXPECT_EQ(printed("exiftool -s3 -XMP-dc:Description -XMP-dc:Creator -XMP-dc:Rights -EXIF:ImageDescription "
                      "-EXIF:Artist -EXIF:SerialNumber -EXIF:OwnerName -XMP-tiff:Make " + quoted(output)),
              "XMP caption\nJane\n(c) Jane\nexif description\nX\nSN123\nOwen\nFuji\n");
    EXPECT_EQ(printed("exiftool -b -ThumbnailImage " + quoted(output)).size(), fs::file_size(folder.file("thumbnail.jpg")));
    EXPECT_EQ(webp.diagnostic, "");

    const ConversionResult tiff = converted(source, OutputFormat::tiff());
    EXPECT_EQ(printed("exiftool -s3 -ThumbnailImage " + quoted(folder.write("out.tif", *tiff.data))), "");
    EXPECT_NE(tiff.diagnostic.find("the EXIF thumbnail was left out"), std::string::npos) << tiff.diagnostic;
}

TEST(ExifToolMetadata, DamagedEXIFIsWrittenAnewFromWhatCanBeReadAndTheDamageIsNamed) {
    TemporaryFolder folder;
    const fs::path camera = editedByExifTool(folder, "camera.jpg",
                                             "-EXIF:Make=Fuji '-EXIF:Artist=Ann Example' '-DateTimeOriginal=2022:02:03 04:05:06' "
                                             "-GPSLatitude=48.85 -GPSLatitudeRef=N");
    const platform::Bytes file = readFile(camera);
    const auto exif = std::search(file.begin(), file.end(), platform::jpegExifHeader.begin(), platform::jpegExifHeader.end());
    ASSERT_NE(exif, file.end());
    const std::size_t tiff = static_cast<std::size_t>(exif - file.begin()) + platform::jpegExifHeader.size();
    const bool bigEndian = file[tiff] == 'M';
    const auto number = [&](std::size_t at, int bytes) {
        std::uint32_t value = 0;
        for (int index = 0; index < bytes; ++index)
            value |= std::uint32_t{file[at + static_cast<std::size_t>(index)]} << 8 * (bigEndian ? bytes - 1 - index : index);
        return value;
    };
    const std::size_t ifd0 = tiff + number(tiff + 4, 4);
    const std::size_t entries = number(ifd0, 2);
    const std::uint32_t zeroesAfterIFD0 = static_cast<std::uint32_t>(ifd0 + 2 + entries * 12 - tiff);
    ASSERT_EQ(number(tiff + zeroesAfterIFD0, 4), 0u); // no second directory
    // The EXIF directory's pointer far out, the GPS one at two bytes of zero, the artist's value far out.
    for (const auto& [tag, value] : {std::pair{0x8769u, 0xFFF0u}, std::pair{0x8825u, zeroesAfterIFD0}, std::pair{0x013Bu, 0xFFF0u}}) {
        platform::Bytes damaged = file;
        for (std::size_t entry = ifd0 + 2; entry < ifd0 + 2 + entries * 12; entry += 12) {
            if (number(entry, 2) != tag) continue;
            for (int index = 0; index < 4; ++index)
                damaged[entry + 8 + static_cast<std::size_t>(index)] =
                    static_cast<std::uint8_t>(value >> 8 * (bigEndian ? 3 - index : index));
        }
        const fs::path source = folder.write("damaged.jpg", damaged);
        ASSERT_NE(complaints(source), "") << tag;
        for (const auto& format : {OutputFormat::jpeg(), OutputFormat::png(), OutputFormat::heic(), OutputFormat::webp(),
                                   OutputFormat::tiff()}) {
            SCOPED_TRACE(std::to_string(tag) + " to " + format.id());
            const ConversionResult result = converted(source, format);
            const fs::path output = folder.write("out." + format.fileExtension(), *result.data);
            EXPECT_EQ(complaints(output), "");
            EXPECT_EQ(printed("exiftool -s3 -EXIF:Make " + quoted(output)), "Fuji\n");
            EXPECT_NE(result.diagnostic.find("the EXIF is damaged"), std::string::npos) << result.diagnostic;
        }
        // Kept as it is, lossless, the picture is rewritten without being decoded: its EXIF all the same.
        SCOPED_TRACE(std::to_string(tag) + " rewritten");
        const ConversionResult kept =
            standardEngine().convert(source, specFor(OutputFormat::sameAsSource()), 1, EncodeEffort::final);
        const fs::path output = folder.write("kept.jpg", *kept.data);
        EXPECT_TRUE(kept.warnings.empty());
        EXPECT_EQ(complaints(output), "");
        EXPECT_EQ(printed("exiftool -s3 -EXIF:Make " + quoted(output)), "Fuji\n");
        EXPECT_NE(kept.diagnostic.find("the EXIF is damaged"), std::string::npos) << kept.diagnostic;
    }
}

TEST(ExifToolMetadata, CommentsGIFPacketsAndTIFFMakerNotesReachTheOutputsThatHoldThemAndAreNamedWhereTheyCannot) {
    TemporaryFolder folder;
    const fs::path gimp = editedByExifTool(folder, "gimp.jpg", "'-Comment=Created with GIMP'");
    const fs::path gif = editedByExifTool(folder, "drawn.gif",
                                          "'-Comment=Drawn by hand' -XMP-dc:Title=Harbour -XMP:GPSLatitude=48.85");
    for (const auto& [source, comment] : {std::pair{gimp, "Created with GIMP"}, std::pair{gif, "Drawn by hand"}}) {
        for (const auto& format : {OutputFormat::jpeg(), OutputFormat::png()}) {
            SCOPED_TRACE(source.filename().string() + " to " + format.id());
            const ConversionResult result = converted(source, format);
            const fs::path output = folder.write("out." + format.fileExtension(), *result.data);
            EXPECT_EQ(complaints(output), "");
            EXPECT_EQ(printed("exiftool -s3 -Comment -XMP:Title -XMP:GPSLatitude " + quoted(output)),
                      comment + std::string(source == gif ? "\nHarbour\n48 deg 51' 0.00\" N\n" : "\n"));
            EXPECT_EQ(result.diagnostic, "");
        }
        EXPECT_EQ(converted(source, OutputFormat::webp()).diagnostic, "the comment was left out: WebP outputs carry none");
    }

    // exiv2 writes a Canon maker note where ExifTool writes none of its own.
    SampleImage sample;
    sample.width = 64, sample.height = 48;
    const fs::path tiff = folder.write("canon.tif", *encodeSample(sample, ".tif"));
    ASSERT_TRUE(run("exiv2 -M'set Exif.Image.Make Canon' -M'set Exif.Canon.OwnerName Ann' "
                    "-M'set Exif.Photo.DateTimeOriginal 2022:02:03 04:05:06' " + quoted(tiff)));
    for (const auto& format : {OutputFormat::jpeg(), OutputFormat::png(), OutputFormat::heic()}) {
        SCOPED_TRACE(format.id());
        const ConversionResult result = converted(tiff, format);
        const fs::path output = folder.write("canon." + format.fileExtension(), *result.data);
        EXPECT_EQ(complaints(output), "");
        EXPECT_EQ(printed("exiftool -s3 -Canon:OwnerName -DateTimeOriginal " + quoted(output)), "Ann\n2022:02:03 04:05:06\n");
        EXPECT_EQ(result.diagnostic, "");
    }
    const ConversionResult laidOutAnew = converted(folder.file("canon.jpg"), OutputFormat::tiff());
    EXPECT_NE(laidOutAnew.diagnostic.find("the EXIF maker note was left out"), std::string::npos) << laidOutAnew.diagnostic;

    // Too long for one JPEG segment, so exiv2 would leave it out of a block written for one.
    std::ofstream(folder.file("long.txt")) << std::string(90'000, 'u');
    const fs::path commented = editedByExifTool(folder, "commented.tif", "-EXIF:Make=Fuji '-UserComment<=long.txt'");
    for (const auto& format : {OutputFormat::png(), OutputFormat::heic()}) {
        SCOPED_TRACE(format.id());
        const fs::path output = folder.write("long." + format.fileExtension(), *converted(commented, format).data);
        EXPECT_EQ(complaints(output), "");
        EXPECT_EQ(printed("exiftool -b -UserComment " + quoted(output)), std::string(90'000, 'u'));
    }
    const ConversionResult jpeg = converted(commented, OutputFormat::jpeg());
    const fs::path output = folder.write("long.jpg", *jpeg.data);
    EXPECT_EQ(complaints(output), "");
    EXPECT_EQ(printed("exiftool -s3 -EXIF:Make -UserComment " + quoted(output)), "Fuji\n");
    EXPECT_EQ(jpeg.diagnostic,
              "the EXIF tag Exif.Photo.UserComment of 88 kB was left out: JPEG files hold at most 64 kB of EXIF");
}

TEST(ExifToolMetadata, EveryPageOfATIFFCarriesItsOwnDirectorysEXIF) {
    TemporaryFolder folder;
    const fs::path first = editedByExifTool(folder, "first.tif", "-Artist=PAGE1ARTIST");
    const fs::path second = editedByExifTool(folder, "second.tif", "-Artist=PAGE2ARTIST -Orientation#=6");
    const fs::path joined = folder.file("joined.tif");
    ASSERT_TRUE(run("tiffcp " + quoted(first) + " " + quoted(second) + " " + quoted(joined)));
    for (const auto& format : {OutputFormat::jpeg(), OutputFormat::png(), OutputFormat::webp(), OutputFormat::tiff(),
                               OutputFormat::heic()}) {
        for (const int page : {1, 2}) {
            SCOPED_TRACE(format.id() + " of page " + std::to_string(page));
            const ConversionResult result = standardEngine().convert(joined, specFor(format), page, EncodeEffort::final);
            const fs::path output = folder.write("page." + format.fileExtension(), *result.data);
            EXPECT_EQ(complaints(output), "");
            EXPECT_EQ(printed("exiftool -s3 -EXIF:Artist " + quoted(output)), page == 1 ? "PAGE1ARTIST\n" : "PAGE2ARTIST\n");
            // The second page stands on its side, the first upright.
            EXPECT_EQ(result.pixelSize, page == 1 ? (platform::Size{64, 48}) : (platform::Size{48, 64}));
        }
    }
}

TEST(ExifToolMetadata, AResolutionWithoutAUnitStaysSoAndAPositionsTextsReachAWebPWithoutTheirCharacterCode) {
    TemporaryFolder folder;
    const std::string unitless = "-XResolution=300 -YResolution=300 -ResolutionUnit=None";
    const std::pair<const char*, std::string> sources[] = {
        {"unitless.tif", unitless}, {"unitless.jpg", unitless},
        {"unitless.png", "-PixelsPerUnitX=300 -PixelsPerUnitY=300 -PixelUnits=Unknown"}};
    for (const auto& [name, arguments] : sources) {
        const fs::path source = editedByExifTool(folder, name, arguments);
        for (const auto& [format, read] : {std::pair{OutputFormat::tiff(), "-IFD0:ResolutionUnit -IFD0:XResolution"},
                                           std::pair{OutputFormat::png(), "-PNG:PixelUnits -PNG:PixelsPerUnitX"}}) {
            SCOPED_TRACE(std::string(name) + " to " + format.id());
            const fs::path output = folder.write("out." + format.fileExtension(), *converted(source, format).data);
            EXPECT_EQ(complaints(output), "");
            EXPECT_EQ(printed("exiftool -s3 " + std::string(read) + " " + quoted(output)),
                      format == OutputFormat::tiff() ? "None\n300\n" : "Unknown\n300\n");
        }
    }

    const fs::path gps = editedByExifTool(folder, "gps.jpg",
                                          "-GPSLatitude=1 -GPSLatitudeRef=N -GPSProcessingMethod=GPSMETHODKESTREL "
                                          "-GPSAreaInformation=HARBOURAREA");
    const fs::path output = folder.write("gps.webp", *converted(gps, OutputFormat::webp()).data);
    EXPECT_EQ(complaints(output), "");
    EXPECT_EQ(printed("exiftool -s3 -XMP-exif:GPSProcessingMethod -XMP-exif:GPSAreaInformation " + quoted(output)),
              "GPSMETHODKESTREL\nHARBOURAREA\n");
}

// Many readers take a JPEG's resolution from its JFIF header before its EXIF, so the two say
// the same: the source's dots per inch, per centimetre, or its pixels' shape in no unit.
TEST(ExifToolMetadata, AJPEGThatKeepsAResolutionSaysItInItsJFIFHeaderAndItsEXIFAlike) {
    TemporaryFolder folder;
    const std::tuple<const char*, std::string, std::string> sources[] = {
        {"metres.png", "-PixelsPerUnitX=11811 -PixelsPerUnitY=11811 -PixelUnits=meters", "inches\n300\n300\n"},
        {"inches.tif", "-XResolution=300 -YResolution=150 -ResolutionUnit=inches", "inches\n300\n150\n"},
        {"centimetres.tif", "-XResolution=118 -YResolution=118 -ResolutionUnit=cm", "cm\n118\n118\n"},
        {"exif.jpg", "-EXIF:XResolution=300 -EXIF:YResolution=300 -EXIF:ResolutionUnit=inches", "inches\n300\n300\n"},
        {"unitless.tif", "-XResolution=300 -YResolution=200 -ResolutionUnit=None", "None\n300\n200\n"},
        {"unitless.png", "-PixelsPerUnitX=3 -PixelsPerUnitY=2 -PixelUnits=Unknown", "None\n3\n2\n"}};
    for (const auto& [name, arguments, resolution] : sources) {
        SCOPED_TRACE(name);
        const fs::path source = editedByExifTool(folder, name, arguments);
        const fs::path output = folder.write("out.jpg", *converted(source, OutputFormat::jpeg()).data);
        EXPECT_EQ(complaints(output), "");
        EXPECT_EQ(printed("exiftool -s3 -JFIF:ResolutionUnit -JFIF:XResolution -JFIF:YResolution " + quoted(output)),
                  resolution);
        const std::string exif =
            printed("exiftool -s3 -IFD0:ResolutionUnit -IFD0:XResolution -IFD0:YResolution " + quoted(output));
        if (!exif.empty() || std::string(name) == "exif.jpg") {
            EXPECT_EQ(exif, resolution);
        }
    }
    // Stripped, the resolution goes with the rest.
    OutputSpec spec = specFor(OutputFormat::jpeg());
    spec.quality = QualityMode::quality(80);
    spec.metadata = MetadataPolicy::strip;
    const fs::path stripped = folder.write(
        "stripped.jpg", *standardEngine().convert(folder.file("metres.png"), spec, 1, EncodeEffort::final).data);
    EXPECT_EQ(printed("exiftool -s3 -JFIF:ResolutionUnit -JFIF:XResolution " + quoted(stripped)), "None\n1\n");
}

TEST(ExifToolMetadata, APNGsTextsAndItsPacketAfterThePixelsReachEveryOutputWithAPlaceForThemAndTheRestIsNamed) {
    TemporaryFolder folder;
    const fs::path edited = editedByExifTool(
        folder, "texts.png",
        "-PNG:Title=TITLEPLANT -PNG:Author=AUTHORPLANT -PNG:Description=DESCPLANT -PNG:Copyright=RIGHTSPLANT "
        "'-PNG:CreationTime=2022:03:04 05:06:07' -PNG:Software=TOOLPLANT -PNG:Comment=COMMENTPLANT "
        "-PNG:Source=SOURCEPLANT -PNG:Disclaimer=DISCLAIMERPLANT -XMP-dc:Subject=SUBJECTPLANT");
    const fs::path source = folder.write("late.png", withTextAfterThePixels(platform::readWholeFile(edited)));
    ASSERT_NE(printed("exiftool -Warning " + quoted(source)).find("after PNG IDAT"), std::string::npos);
    const std::string unplaced = "the PNG texts Disclaimer and Source were left out";
    for (const auto& format : {OutputFormat::jpeg(), OutputFormat::webp(), OutputFormat::tiff(), OutputFormat::heic()}) {
        SCOPED_TRACE(format.id());
        const ConversionResult result = converted(source, format);
        const fs::path output = folder.write("texts." + format.fileExtension(), *result.data);
        EXPECT_EQ(complaints(output), "");
        EXPECT_EQ(printed("exiftool -s3 -XMP-dc:Title -XMP-dc:Creator -XMP-dc:Description -XMP-dc:Rights "
                          "-XMP-xmp:CreateDate -XMP-xmp:CreatorTool -XMP-dc:Subject -File:Comment " + quoted(output)),
                  "TITLEPLANT\nAUTHORPLANT\nDESCPLANT\nRIGHTSPLANT\n2022:03:04 05:06:07\nTOOLPLANT\nSUBJECTPLANT\n" +
                      std::string(format == OutputFormat::jpeg() ? "COMMENTPLANT\n" : ""));
        EXPECT_NE(result.diagnostic.find(unplaced + ": " + format.displayName() + " files have no place for them"),
                  std::string::npos) << result.diagnostic;
    }
    // A PNG drawn anew holds the texts as they were.
    OutputSpec smaller = specFor(OutputFormat::png());
    smaller.sizing = ResizeSpec::longestEdge(32);
    const ConversionResult png = standardEngine().convert(source, smaller, 1, EncodeEffort::final);
    const fs::path output = folder.write("texts-small.png", *png.data);
    EXPECT_EQ(complaints(output), "");
    EXPECT_EQ(printed("exiftool -s3 -PNG:Title -PNG:Author -PNG:Description -PNG:Copyright -PNG:CreationTime "
                      "-PNG:Software -PNG:Comment -PNG:Source -PNG:Disclaimer -XMP-dc:Subject " + quoted(output)),
              "TITLEPLANT\nAUTHORPLANT\nDESCPLANT\nRIGHTSPLANT\n2022:03:04 05:06:07\nTOOLPLANT\nCOMMENTPLANT\n"
              "SOURCEPLANT\nDISCLAIMERPLANT\nSUBJECTPLANT\n");
    EXPECT_EQ(png.diagnostic, "");

    // Latin-1 where UTF-8 belongs, and characters XML cannot hold, still make a packet every reader reads.
    const platform::Bytes plain = *encodeSample(SampleImage{}, ".png");
    auto chunks = *PNGChunks::parse(plain);
    const std::string title("Title\0Caf\xE9\x01", 11), author("Author\0\0\0\0\0Ann\xFF", 15);
    chunks.insert(chunks.end() - 1, PNGChunks::Chunk::owning("tEXt", platform::Bytes(title.begin(), title.end())));
    chunks.insert(chunks.end() - 1, PNGChunks::Chunk::owning("iTXt", platform::Bytes(author.begin(), author.end())));
    const fs::path odd = folder.write("odd.png", *PNGChunks::assemble(chunks));
    const fs::path oddOutput = folder.write("odd.jpg", *converted(odd, OutputFormat::jpeg()).data);
    EXPECT_EQ(complaints(oddOutput), "");
    EXPECT_EQ(printed("exiftool -s3 -XMP-dc:Title -XMP-dc:Creator " + quoted(oddOutput)), "Caf\u00E9\nAnn\u00FF\n");

    smaller.metadata = MetadataPolicy::strip;
    for (const auto& format : {OutputFormat::jpeg(), OutputFormat::webp(), OutputFormat::tiff(), OutputFormat::png()}) {
        smaller.format = format;
        const platform::Bytes stripped = *standardEngine().convert(source, smaller, 1, EncodeEffort::final).data;
        const std::string_view planted = "PLANT";
        EXPECT_EQ(std::search(stripped.begin(), stripped.end(), planted.begin(), planted.end()), stripped.end())
            << format.id();
    }
}

TEST(ExifToolMetadata, WindowsTitlesRatingsAndDocumentNamesTravelIntoAndOutOfTIFF) {
    TemporaryFolder folder;
    const std::string tags = "-XPTitle=Harbour -XPComment=Dusk -XPAuthor=Ann -XPKeywords=boats -XPSubject=Sea "
                             "-IFD0:Rating=4 -DocumentName=Log -PageName=First";
    const std::string read = "exiftool -s3 -XPTitle -XPComment -XPAuthor -XPKeywords -XPSubject -EXIF:Rating "
                             "-DocumentName -PageName ";
    const std::string expected = "Harbour\nDusk\nAnn\nboats\nSea\n4\nLog\nFirst\n";
    const fs::path jpeg = editedByExifTool(folder, "windows.jpg", tags);
    const fs::path tiff = editedByExifTool(folder, "windows.tif", tags);
    for (const auto& [source, format] : {std::pair{jpeg, OutputFormat::tiff()}, std::pair{tiff, OutputFormat::jpeg()},
                                         std::pair{tiff, OutputFormat::png()}, std::pair{tiff, OutputFormat::webp()}}) {
        SCOPED_TRACE(source.filename().string() + " to " + format.id());
        const ConversionResult result = converted(source, format);
        const fs::path output = folder.write("out." + format.fileExtension(), *result.data);
        EXPECT_EQ(complaints(output), "");
        EXPECT_EQ(printed(read + quoted(output)), expected);
        EXPECT_EQ(result.diagnostic, "");
    }
}

TEST(ExifToolMetadata, PhotoshopsCopyrightFlagAndURLReachEveryOutputAsResourcesOrAsXMP) {
    TemporaryFolder folder;
    const std::string marked = "-Photoshop:CopyrightFlag=True -Photoshop:URL=https://example.org/ann -IPTC:Keywords=boats";
    std::vector<fs::path> sources = {editedByExifTool(folder, "marked.jpg", marked),
                                     editedByExifTool(folder, "marked.tif", marked)};
    // ImageMagick keeps them in a PNG as its "8bim" raw profile.
    ASSERT_TRUE(run("convert " + quoted(sources.front()) + " " + quoted(folder.file("magick.png"))));
    sources.push_back(folder.file("magick.png"));
    for (const auto& source : sources) {
        for (const auto& format : {OutputFormat::jpeg(), OutputFormat::tiff(), OutputFormat::png(), OutputFormat::webp(),
                                   OutputFormat::heic()}) {
            // Kept as PNG, ImageMagick's file is rewritten as it stands.
            if (source == sources.back() && format == OutputFormat::png()) continue;
            SCOPED_TRACE(source.filename().string() + " to " + format.id());
            const ConversionResult result = converted(source, format);
            const fs::path output = folder.write("out." + format.fileExtension(), *result.data);
            EXPECT_EQ(complaints(output), "");
            const bool resources = format == OutputFormat::jpeg() || format == OutputFormat::tiff();
            const std::string read = resources ? "exiftool -s3 -Photoshop:CopyrightFlag -Photoshop:URL -IPTC:Keywords "
                                               : "exiftool -s3 -XMP-xmpRights:Marked -XMP-xmpRights:WebStatement "
                                                 "-XMP-dc:Subject ";
            EXPECT_EQ(printed(read + quoted(output)), "True\nhttps://example.org/ann\nboats\n");
            EXPECT_EQ(result.diagnostic, "");
        }
    }

    // Photoshop's thumbnail shows the picture as it was stored: turned, the output goes without it.
    folder.write("thumbnail.jpg", *encodeSample(SampleImage{}, ".jpg"));
    const fs::path thumbnailed = editedByExifTool(folder, "thumbnailed.jpg", marked + " '-PhotoshopThumbnail<=thumbnail.jpg'");
    OutputSpec turned = specFor(OutputFormat::jpeg());
    turned.quality = QualityMode::quality(80);
    turned.adjustments.reorientation = Reorientation(1, false);
    const ConversionResult result = standardEngine().convert(thumbnailed, turned, 1, EncodeEffort::final);
    const fs::path output = folder.write("turned.jpg", *result.data);
    EXPECT_EQ(printed("exiftool -s3 -Photoshop:CopyrightFlag -Photoshop:PhotoshopThumbnail " + quoted(output)), "True\n");
    EXPECT_NE(result.diagnostic.find("the Photoshop thumbnail was left out"), std::string::npos) << result.diagnostic;
}

TEST(ExifToolMetadata, OutputsThatCarryNoMetadataNameEveryKindTheSourceHeld) {
    TemporaryFolder folder;
    const fs::path source = editedByExifTool(
        folder, "full.jpg", "-Artist=Ann -GPSLatitude=12.5 -GPSLatitudeRef=S -XMP-dc:Title=Harbour -IPTC:Keywords=boats");
    for (const auto& format : {OutputFormat::gif(), OutputFormat::jpeg2000(), OutputFormat::bmp(), OutputFormat::pdf(),
                               OutputFormat::ico()}) {
        EXPECT_EQ(converted(source, format).diagnostic,
                  "the EXIF, GPS, XMP and IPTC were left out: " + format.displayName() + " outputs carry none");
    }
    const fs::path titled = editedByExifTool(folder, "titled.png", "-XMP-dc:Title=Harbour");
    EXPECT_EQ(converted(titled, OutputFormat::gif()).diagnostic, "the XMP was left out: GIF outputs carry none");
}
