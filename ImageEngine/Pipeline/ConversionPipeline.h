#pragma once
#include "ImageEngine/Model/ConversionResult.h"
#include "ImageEngine/Decoding/DecodedImage.h"
#include "ImageEngine/Model/EncodeEffort.h"
#include "ImageEngine/Model/PixelDimensions.h"
#include "ImageEngine/Model/OutputSpec.h"
#include "ImageEngine/Stages/MetadataStage.h"
#include "platform/base/PixelBudget.h"
#include "platform/read/StoredSides.h"
#include "platform/types/ContentType.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <stop_token>
#include <vector>

namespace pictavo {

class ConversionEngine;
class ImageDecoder;
class ImageEncoder;
class MultiImageEncoder;
struct IconLadder;

// One conversion of one page, from the source file to the bytes of the output. It keeps its
// working values for the length of one call and shares nothing with other conversions.
class ConversionPipeline {
public:
    ConversionPipeline(const ConversionEngine& engine, std::filesystem::path source, const OutputSpec& spec,
                       std::int64_t page, EncodeEffort effort, std::stop_token stop);

    ConversionResult run();

private:
    // The first page's properties, read from the file once however many steps ask.
    const ImageProperties& sourceProperties();
    void resolveFormat();
    // The source's own bytes re-optimised, when the specification only asks for that.
    std::optional<ConversionResult> reoptimisedSource();
    const ImageEncoder& chooseEncoder();
    // The source's type and sides, read from its header where that lies.
    void readHeader();
    // Whether the output may be the source's own bytes rewritten, which decodes no pixel.
    bool mayBeRewritten() const;
    // What the source's header already rules out, refused before the file is read: an output
    // its format cannot hold, once the format is known, and a picture that takes more than
    // all the memory conversions share: its file, held whole whatever the output, and, when
    // it is `decoded`, its pixels beside it.
    void refuseFromHeader(bool decoded) const;
    // The least bytes the reader holds for the pixels the header declares, decoded for the
    // drawing of a picture with the header's sides in a memory of this capacity.
    std::uint64_t leastDecodedBytes(ImageProperties properties, std::uint64_t capacity) const;
    // What reading the file's properties takes, held in the conversions' memory while it is
    // read; none for a file larger than all of that memory, which is then read as before, and
    // refused for a document whose parse is larger.
    PixelMemory::HoldRef heldForReading() const;
    DecodedImage decode(const ImageEncoder& encoder);
    ConversionResult iconFile(const DecodedImage& decoded, const IconLadder& ladder,
                              const MultiImageEncoder& encoder);
    ConversionResult oneImage(DecodedImage& decoded, const ImageEncoder& encoder);
    platform::ImageRef drawnVector(const DecodedImage::Vector& vector);
    // The size the stored pixels of a page with these properties are drawn at; a drawing's may
    // be larger than its own.
    PixelDimensions storedTargetSize(const ImageProperties& properties) const;
    // The pixel size of the output drawn from a page with these properties.
    PixelDimensions outputSize(const ImageProperties& properties) const;
    // What the conversion holds at its peak beside decoded pixels of that cost: the pictures
    // the stages draw from them and the encoder's buffers.
    std::uint64_t drawingBytesBeside(const ImageProperties& properties, const platform::PixelCost& decoded,
                                     const ImageEncoder& encoder) const;
    platform::ImageRef drawnRaster(platform::ImageRef image, const DecodedImage::Raster& raster);
    platform::ImageRef colourForEncoder(platform::ImageRef image, const ImageEncoder& encoder) const;
    // Takes the conversion's reference to the image, so that the encoder can let it go.
    platform::Bytes encodedByQuality(platform::ImageRef image, const ImageEncoder& encoder);
    bool sourceMayBeKept(const ImageProperties& properties) const;
    // The result with its name, the source's byte count and the warnings so far.
    ConversionResult finished(platform::Bytes bytes, platform::Size pixelSize, const ImageProperties& properties) const;

    const ConversionEngine& engine_;
    const std::filesystem::path source_;
    const std::int64_t page_;
    const EncodeEffort effort_;
    const std::stop_token stop_;

    // The caller's specification with same-as-source resolved; nothing else of it changes.
    OutputSpec spec_;
    std::vector<ConversionWarning> warnings_;
    std::shared_ptr<const ImageDecoder> decoder_;
    std::optional<ImageProperties> sourceProperties_;
    // What the source's header says it is, and the sides it declares.
    std::optional<platform::ContentType> typeInHeader_;
    std::optional<platform::StoredSides> storedInHeader_;
    std::optional<double> scaleToken_;
    std::optional<std::int64_t> qualityToken_;
    // What the encodes carry of the decoded page's metadata, decided once it is decoded.
    std::optional<MetadataStage> metadata_;
    // What an encoded output leaves out of the source's metadata; a kept source leaves nothing.
    std::string metadataLeftOut_;
};

} // namespace pictavo
