#include "ImageEngine/Pipeline/ConversionPipeline.h"

#include "ImageEngine/Stages/AdjustmentStage.h"
#include "ImageEngine/Stages/AlphaStage.h"
#include "ImageEngine/Stages/ColourStage.h"
#include "ImageEngine/Pipeline/ConversionEngine.h"
#include "ImageEngine/Decoding/ImageIODecoder.h"
#include "ImageEngine/Decoding/SourceFile.h"
#include "ImageEngine/Decoding/VectorDecode.h"
#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Stages/IconLadderStage.h"
#include "ImageEngine/Stages/MetadataStage.h"
#include "ImageEngine/Stages/OrientationStage.h"
#include "ImageEngine/Model/OutputNamer.h"
#include "ImageEngine/Stages/ResizeStage.h"
#include "ImageEngine/Pipeline/TargetSizeEncode.h"
#include "ImageEngine/Model/IconLadder.h"
#include "ImageEngine/Model/RenderTarget.h"
#include "ImageEngine/Encoding/ImageEncoder.h"
#include "ImageEngine/Encoding/LosslessReoptimisation.h"
#include "ImageEngine/Encoding/SideLimit.h"
#include "platform/base/Cancellation.h"
#include "platform/files/FilePath.h"
#include "platform/text/TextFormat.h"
#include "platform/types/ContentType.h"
#include "platform/types/ImageSniffer.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <string>
#include <utility>

namespace pictavo {

namespace {

platform::Size sizeOf(const platform::ImageRef& image) {
    return {static_cast<double>(image->width()), static_cast<double>(image->height())};
}

// Whether turning the stored pixels upright and then by the user's turn swaps their sides.
bool turningSwapsSides(const ImageProperties& properties, const Reorientation& turn) {
    return (properties.orientation >= 5 && properties.orientation <= 8) != turn.swapsAxes();
}

// The stored sides as the picture shows once turned upright and turned by the user.
platform::Size turnedSize(const ImageProperties& properties, const Reorientation& turn) {
    platform::Size size{static_cast<double>(properties.pixelWidth), static_cast<double>(properties.pixelHeight)};
    if (turningSwapsSides(properties, turn)) std::swap(size.width, size.height);
    return size;
}

// The factor the file name's {scale} shows: only sizing by a scale has one.
std::optional<double> scaleFactor(const ResizeSpec& sizing) {
    if (const auto* scale = std::get_if<ResizeSpec::Scale>(&sizing.value())) return scale->factor;
    return std::nullopt;
}

} // namespace

ConversionPipeline::ConversionPipeline(const ConversionEngine& engine, std::filesystem::path source,
                                       const OutputSpec& spec, std::int64_t page, EncodeEffort effort,
                                       std::stop_token stop)
    : engine_(engine), source_(std::move(source)), page_(page), effort_(effort), stop_(std::move(stop)),
      spec_(spec) {}

ConversionResult ConversionPipeline::run() {
    decoder_ = engine_.decoders().decoder(source_);
    readHeader();
    refuseFromHeader(!mayBeRewritten());
    resolveFormat();
    if (auto reoptimised = reoptimisedSource()) return std::move(*reoptimised);
    const ImageEncoder& encoder = chooseEncoder();
    refuseFromHeader(true);
    DecodedImage decoded = decode(encoder);
    if (auto ladder = IconLadder::forFormat(spec_.format)) {
        if (auto* multi = dynamic_cast<const MultiImageEncoder*>(&encoder)) return iconFile(decoded, *ladder, *multi);
    }
    return oneImage(decoded, encoder);
}

const ImageProperties& ConversionPipeline::sourceProperties() {
    if (!sourceProperties_) {
        // A decoder reads the file whole to read its header.
        const auto reading = heldForReading();
        sourceProperties_ = decoder_->properties(source_);
    }
    return *sourceProperties_;
}

PixelMemory::HoldRef ConversionPipeline::heldForReading() const {
    const auto& memory = engine_.pixelMemory();
    const std::uint64_t bytes = decoder_->readingBytes(source_);
    if (bytes <= memory->capacity()) return PixelMemory::hold(memory, bytes, stop_);
    // A document parsed whole for its properties, into more than the memory holds, is not read.
    if (bytes > sourceLength(source_)) throw readingTakesTooMuch(source_, bytes, memory->capacity(), true);
    return nullptr;
}

void ConversionPipeline::resolveFormat() {
    if (!spec_.format.isSameAsSource()) return;
    const ImageProperties& properties = sourceProperties();
    const auto resolution = engine_.resolution(properties, spec_, page_);
    spec_.format = resolution.format;
    if (resolution.insteadOf) {
        warnings_.push_back(
            ConversionWarning::formatFellBack(resolution.format, OutputFormat(*resolution.insteadOf).displayName()));
    }
}

std::optional<ConversionResult> ConversionPipeline::reoptimisedSource() {
    const SourceOptimiserRef optimiser = engine_.optimisers().optimiser(spec_.format);
    if (!optimiser) return std::nullopt;
    platform::throwIfCancelled(stop_);
    // What the specification alone rules out (a resize, a quality, an adjustment) is ruled
    // out for a source of the very format asked for too, so such a source is not read
    // twice, once to be inspected and once to be decoded.
    ImageProperties sameFormat;
    sameFormat.sourceUTType = spec_.format.utType();
    if (LosslessReoptimisation::ineligibility(spec_, page_, sameFormat)) return std::nullopt;
    const ImageProperties& properties = sourceProperties();
    if (LosslessReoptimisation::ineligibility(spec_, page_, properties) ||
        LosslessReoptimisation::optimiserRefuses(*optimiser, spec_.metadata, properties.orientation))
        return std::nullopt;

    // The rewrite is admitted by the memory every conversion is admitted by, before the file
    // is read, waiting for room as a decoded picture would, so that it never gives way to a
    // lossy re-encode that needs more memory still; only one larger than all of that memory
    // is not made.
    const auto& memory = engine_.pixelMemory();
    const std::uint64_t fileBytes = sourceLength(source_);
    auto working = optimiser->workingBytes(readSourceStart(source_), fileBytes, spec_.metadata, properties.orientation,
                                           memory->capacity());
    if (!working) {
        // The header lies further in: the file is read whole, and held as such, to reach it.
        const auto reading = heldForReading();
        working = optimiser->workingBytes(readSourceFile(source_), fileBytes, spec_.metadata, properties.orientation,
                                          memory->capacity())
                      .value_or(0);
    }
    std::optional<platform::Bytes> optimised;
    std::optional<platform::Bytes> sourceBytes;
    std::string why;
    PixelMemory::HoldRef held;
    const std::uint64_t needed = fileBytes + *working;
    if (needed > memory->capacity()) {
        why = "rewriting it takes " + platform::byteCount(static_cast<std::int64_t>(needed)) + " of memory, more than the " +
              platform::byteCount(static_cast<std::int64_t>(memory->capacity())) +
              " all conversions together may hold on this computer";
    } else {
        held = PixelMemory::hold(memory, needed, stop_);
        // Read into memory we own, never mapped: a source shortened by another program while
        // it is read must fail as a read error, not as a crash.
        sourceBytes = readSourceFile(source_);
        platform::throwIfCancelled(stop_);
        try {
            optimised =
                optimiser->optimise(*sourceBytes, spec_.metadata, properties.orientation, effort_, memory->capacity());
        } catch (const ConversionError& error) {
            why = error.cause();
        } catch (const std::exception& error) {
            why = error.what();
        }
    }
    // The optimiser's failure is not the user's: keeping metadata keeps the source as it is,
    // stripping it re-encodes when an encoder can, and otherwise fails saying why it could not.
    if (!optimised && spec_.metadata == MetadataPolicy::strip) {
        if (!engine_.encoders().hasEncoder(spec_.format))
            throw ConversionError::metadataNotRemovable(spec_.format).withCause(std::move(why));
        return std::nullopt;
    }

    platform::Bytes output;
    if (spec_.metadata == MetadataPolicy::strip) {
        output = std::move(*optimised);
        metadataLeftOut_ =
            MetadataStage::afterPictureLeftOut(properties, "only the first picture is kept when metadata is stripped");
    } else if (optimised && optimised->size() < sourceBytes->size()) {
        output = std::move(*optimised);
    } else if (sourceBytes) {
        output = std::move(*sourceBytes);
    } else {
        const auto reading = heldForReading();
        output = readSourceFile(source_);
    }

    // A damaged EXIF is written anew as a decoded picture's is, never copied on as it was.
    if (auto repaired = MetadataStage::repairedExif(spec_.metadata, properties)) {
        auto rewritten = optimiser->withExif(output, repaired->block, properties.orientation);
        if (!rewritten) return std::nullopt;
        output = std::move(*rewritten);
        metadataLeftOut_ = std::move(repaired->leftOut);
    }

    // The optimiser turns the pixels or keeps the tag that turns them: either way they show upright.
    return finished(std::move(output), properties.orientedPixelSize(), properties);
}

const ImageEncoder& ConversionPipeline::chooseEncoder() {
    if (engine_.optimisers().optimiser(spec_.format)) {
        const auto formats = engine_.encoders().formats();
        if (std::find(formats.begin(), formats.end(), spec_.format) == formats.end())
            throw ConversionError::formatNeedsAMatchingSource(spec_.format);
    }
    return engine_.encoders().encoder(spec_.format);
}

void ConversionPipeline::readHeader() {
    try {
        const platform::Bytes start = readSourceStart(source_);
        typeInHeader_ = platform::ContentType::withIdentifier(
            platform::sniffImageFormat(platform::ByteView(start.data(), start.size())).typeIdentifier);
        storedInHeader_ = storedPictureInHeader(source_, page_);
    } catch (const platform::FileError&) {
        // the decode reads the file again and says why it cannot
    }
}

bool ConversionPipeline::mayBeRewritten() const {
    if (!typeInHeader_) return false;
    const OutputFormat own(*typeInHeader_);
    return (spec_.format.isSameAsSource() || spec_.format == own) && engine_.optimisers().optimiser(own);
}

void ConversionPipeline::refuseFromHeader(bool decoded) const {
    if (!storedInHeader_) return;
    ImageProperties properties;
    properties.pixelWidth = storedInHeader_->width;
    properties.pixelHeight = storedInHeader_->height;
    // The header read here does not say how the picture is turned: an output too large for
    // its format is refused only when it is so turned either way.
    if (!spec_.format.isSameAsSource() && !IconLadder::forFormat(spec_.format)) {
        const auto refusedTurned = [&](std::uint32_t orientation) {
            properties.orientation = orientation;
            const auto size = outputSize(properties);
            try {
                refuseSidesBeyondFormat(spec_.format, size.width, size.height);
                return false;
            } catch (const ConversionError&) {
                return true;
            }
        };
        if (refusedTurned(6) && refusedTurned(1)) {
            const auto size = outputSize(properties);
            refuseSidesBeyondFormat(spec_.format, size.width, size.height);
        }
    }
    // The pixels are decoded beside the file as read, which every conversion holds whole: at
    // their stored size past as many pixels as the memory has bytes, or when the reader
    // cannot read them smaller, else at least at the size the drawing lets them be read.
    const std::uint64_t capacity = engine_.pixelMemory()->capacity();
    const std::uint64_t fileBytes = sourceLength(source_);
    const std::uint64_t least = decoded ? fileBytes + leastDecodedBytes(properties, capacity) : fileBytes;
    if (least > capacity) {
        throw ConversionError::imageTooLarge(static_cast<double>(properties.pixelWidth),
                                             static_cast<double>(properties.pixelHeight))
            .withCause("converting it takes at least " + platform::byteCount(static_cast<std::int64_t>(least)) +
                       " of memory, more than the " + platform::byteCount(static_cast<std::int64_t>(capacity)) +
                       " all conversions together may hold on this computer");
    }
}

std::uint64_t ConversionPipeline::leastDecodedBytes(ImageProperties properties, std::uint64_t capacity) const {
    // Past what any memory holds, the count stops: it is refused either way.
    constexpr std::uint64_t beyondAny = std::numeric_limits<std::int64_t>::max() / 2;
    const auto bytes = [&](int reduction, std::uint64_t perPixel) {
        const auto across = static_cast<std::uint64_t>((properties.pixelWidth - 1) / reduction + 1);
        const auto down = static_cast<std::uint64_t>((properties.pixelHeight - 1) / reduction + 1);
        std::uint64_t product = 0;
        if (__builtin_mul_overflow(across, down, &product) || __builtin_mul_overflow(product, perPixel, &product))
            return beyondAny;
        return std::min(product, beyondAny);
    };
    int reduction = 1;
    // Icons are drawn from the picture read whole; the header does not say how the picture is
    // turned, so it is read as small as either turn lets it be.
    if (storedInHeader_->readsSmaller && bytes(1, 1) <= capacity && !IconLadder::forFormat(spec_.format)) {
        for (const std::uint32_t orientation : {1u, 6u}) {
            properties.orientation = orientation;
            reduction = std::max(reduction, ImageIODecoder::reductionFor(properties, storedTargetSize(properties)));
        }
    }
    return std::min(bytes(reduction, storedInHeader_->bytesPerPixel) + std::min(storedInHeader_->heldBeside, beyondAny),
                    beyondAny);
}

DecodedImage ConversionPipeline::decode(const ImageEncoder& encoder) {
    DecodeRequest request{page_};
    request.memory = engine_.pixelMemory();
    request.stop = stop_;
    // Icons are drawn at several sizes from the one decoded picture: a drawing at each, the
    // largest first.
    if (const auto ladder = IconLadder::forFormat(spec_.format)) {
        const std::int64_t largest = ladder->pixelSizes.empty() ? 1 : ladder->pixelSizes.front();
        request.drawnSize = [largest](const ImageProperties& properties) -> std::optional<PixelDimensions> {
            if (!properties.isVector) return std::nullopt;
            return PixelDimensions{largest, largest};
        };
    } else {
        request.drawnSize = [this](const ImageProperties& properties) { return storedTargetSize(properties); };
        // An output the format cannot hold is refused before the picture is read.
        request.beforePixels = [this](const ImageProperties& properties) {
            const auto size = outputSize(properties);
            refuseSidesBeyondFormat(spec_.format, size.width, size.height);
        };
        request.heldBeside = [this, &encoder](const ImageProperties& properties, const platform::PixelCost& decoded) {
            return drawingBytesBeside(properties, decoded, encoder);
        };
    }
    DecodedImage decoded = decoder_->decodeFor(source_, request);
    const ImageProperties& properties = decoded.properties();
    if (properties.frameCount >= 2) warnings_.push_back(ConversionWarning::animationLost(properties.frameCount));
    metadata_.emplace(spec_.metadata, properties);
    metadataLeftOut_ = metadata_->leftOut();
    if (LosslessReoptimisation::wouldBeTheSameFile(spec_, page_, properties)) {
        const auto& type = spec_.format.utType();
        const bool lossyFormat = !type || OutputFormat::lossyIdentifiers().count(spec_.format.id()) > 0;
        if (lossyFormat && !encoder.writesLosslesslyWithoutAQuality())
            warnings_.push_back(ConversionWarning::reencoded());
    }
    platform::throwIfCancelled(stop_);
    return decoded;
}

platform::ImageRef ConversionPipeline::colourForEncoder(platform::ImageRef image, const ImageEncoder& encoder) const {
    // A file without a profile is read as sRGB: tagged RGB is converted, and so is colour of
    // any other model (CMYK, Lab), which such a file cannot hold. Grey stays grey.
    if (!encoder.carriesColourSpace() && ColourStage::needsSRGBWithoutColourSpace(*image))
        image = ColourStage::apply(ColourPolicy::convertToSRGB, image);
    // An image the encoder cannot read as it stands is drawn here, so that no encoder redraws:
    // not when the format cannot hold it anyway, and failing to draw it is failing to encode it.
    if (ColourStage::isTakenAsItIs(encoder.intake(), *image)) return image;
    refuseSidesBeyondFormat(encoder.format(), *image);
    image = ColourStage::forIntake(encoder.intake(), image);
    if (!image) throw ConversionError::encodeFailed(encoder.format());
    return image;
}

ConversionResult ConversionPipeline::iconFile(const DecodedImage& decoded, const IconLadder& ladder,
                                              const MultiImageEncoder& encoder) {
    const auto drawn = IconLadderStage::render(decoded, ladder, decoded.allowsUpscale(), stop_);
    if (!drawn.dropped.empty()) {
        warnings_.push_back(ConversionWarning::iconLadderTrimmed(static_cast<std::int64_t>(drawn.images.size()),
                                                                 static_cast<std::int64_t>(ladder.pixelSizes.size())));
    }
    platform::throwIfCancelled(stop_);

    std::vector<platform::ImageRef> images;
    images.reserve(drawn.images.size());
    for (platform::ImageRef image : drawn.images) {
        image = AdjustmentStage::reorient(image, spec_.adjustments.reorientation);
        image = ColourStage::apply(spec_.colour, image);
        if (spec_.adjustments.greyscale)
            image = AdjustmentStage::greyscale(image, encoder.writesSingleChannelGrey());
        images.push_back(colourForEncoder(std::move(image), encoder));
    }

    const ImageProperties& properties = decoded.properties();
    metadata_->describeOutput(encoder.format(), images.front()->width(), images.front()->height(),
                              properties.orientation != 1 || !spec_.adjustments.reorientation.isIdentity());
    metadataLeftOut_ = metadata_->leftOut();
    platform::Bytes file = encoder.encode(images, metadata_->options(std::nullopt, effort_));
    if (spec_.quality.kind() == QualityMode::Kind::targetBytes &&
        static_cast<std::int64_t>(file.size()) > spec_.quality.payload())
        warnings_.push_back(ConversionWarning::targetSizeMissed(static_cast<std::int64_t>(file.size())));

    return finished(std::move(file), sizeOf(images.front()), properties);
}

platform::ImageRef ConversionPipeline::drawnVector(const DecodedImage::Vector& vector) {
    platform::Size size = vector.source->intrinsicSize();
    if (!(size.width > 0) || !(size.height > 0)) throw ConversionError::renderFailed(RenderFailure::vectorHasNoSize());
    const Reorientation& turn = spec_.adjustments.reorientation;
    const bool oddTurn = turn.quarterTurns() % 2 != 0;
    if (oddTurn) std::swap(size.width, size.height);
    platform::Size target = spec_.sizing.targetSize(size, true);
    if (oddTurn) std::swap(target.width, target.height);
    const auto drawn = RenderTarget::pixels(target, std::numeric_limits<std::int64_t>::max());
    refuseSidesBeyondFormat(spec_.format, drawn.width, drawn.height);
    platform::ImageRef image = vector.source->render(target.width, target.height);
    image = AdjustmentStage::reorient(image, turn);
    if (const auto& type = vector.properties.sourceUTType; type && spec_.format == OutputFormat(*type))
        warnings_.push_back(ConversionWarning::vectorRasterised(image->width(), image->height()));
    scaleToken_ = scaleFactor(spec_.sizing);
    return image;
}

PixelDimensions ConversionPipeline::storedTargetSize(const ImageProperties& properties) const {
    const platform::Size size = turnedSize(properties, spec_.adjustments.reorientation);
    platform::Size target = spec_.sizing.targetSize(size, properties.isVector);
    if (turningSwapsSides(properties, spec_.adjustments.reorientation)) std::swap(target.width, target.height);
    return {std::llround(target.width), std::llround(target.height)};
}

PixelDimensions ConversionPipeline::outputSize(const ImageProperties& properties) const {
    const platform::Size target =
        spec_.sizing.targetSize(turnedSize(properties, spec_.adjustments.reorientation), properties.isVector);
    return RenderTarget::pixels(target, std::numeric_limits<std::int64_t>::max());
}

// The stages hold a picture and the one they draw from it; the decoded one is let go once the
// resize has drawn its own, and the encoder's buffers stand beside the last.
std::uint64_t ConversionPipeline::drawingBytesBeside(const ImageProperties& properties,
                                                     const platform::PixelCost& decoded,
                                                     const ImageEncoder& encoder) const {
    const auto output = outputSize(properties);
    const std::uint64_t outputPixels =
        static_cast<std::uint64_t>(output.width) * static_cast<std::uint64_t>(output.height);
    // Stages keep the decoded layout, grey drawn as colour at most.
    const std::uint64_t drawn = outputPixels * static_cast<std::uint64_t>(std::max(decoded.bytesPerPixel, 3));
    const std::uint64_t pixels = decoded.pixelBytes;
    const bool turned = properties.orientation != 1 || !spec_.adjustments.reorientation.isIdentity();
    const auto stored = storedTargetSize(properties);
    const bool resized = stored.width != decoded.width || stored.height != decoded.height;

    const std::uint64_t turning = turned ? 2 * pixels : pixels;
    const std::uint64_t resizing = resized ? pixels + drawn : pixels;
    const std::uint64_t kept = resized ? drawn : std::max(pixels, drawn);
    const std::uint64_t redrawing = kept + drawn;
    std::uint64_t encoding = kept + encoder.workingBytes(output.width, output.height, spec_.quality);
    // The source read again to be compared with the output.
    if (sourceMayBeKept(properties)) encoding += static_cast<std::uint64_t>(std::max<std::int64_t>(properties.byteCount, 0));
    const std::uint64_t peak = std::max({turning, resizing, redrawing, encoding});
    return peak > pixels ? peak - pixels : 0;
}

// Each stage's output replaces its input, so only the image being drawn and the one it is
// drawn from are held at once.
platform::ImageRef ConversionPipeline::drawnRaster(platform::ImageRef image, const DecodedImage::Raster& raster) {
    const ImageProperties& properties = raster.properties;
    const Reorientation& turn = spec_.adjustments.reorientation;
    // A picture decoded at a reduced size is sized as the whole picture, and drawn over the
    // part its pixels cover.
    std::optional<PictureCoverage> coverage;
    if (raster.isReduced()) {
        coverage = PictureCoverage::ofReduced(image->width(), image->height(), raster.reducedAcross, raster.reducedDown,
                                              properties.pixelWidth, properties.pixelHeight)
                       .oriented(properties.orientation)
                       .oriented(turn.exifEquivalent());
    }
    image = OrientationStage::normalise(image, properties.orientation);
    image = AdjustmentStage::reorient(image, turn);
    // Each stage of a large picture takes seconds: one no longer wanted stops between them.
    platform::throwIfCancelled(stop_);
    const platform::Size size = coverage ? turnedSize(properties, turn) : sizeOf(image);
    const platform::Size target = spec_.sizing.targetSize(size, false);
    const platform::Size unclamped = spec_.sizing.targetSize(size, true);
    const bool clamped = target.width != unclamped.width || target.height != unclamped.height;
    if (clamped) warnings_.push_back(ConversionWarning::upscaleClamped());
    image = coverage ? ResizeStage::resize(image, target, *coverage) : ResizeStage::resize(image, target);
    if (!clamped) scaleToken_ = scaleFactor(spec_.sizing);
    return image;
}

ConversionResult ConversionPipeline::oneImage(DecodedImage& decoded, const ImageEncoder& encoder) {
    platform::ImageRef image;
    if (const auto* vector = decoded.asVector()) image = drawnVector(*vector);
    else image = drawnRaster(decoded.takeRasterImage(), *decoded.asRaster());
    const ImageProperties& properties = decoded.properties();
    platform::throwIfCancelled(stop_);

    if (spec_.format.utType() && !OutputFormat::transparentIdentifiers().count(spec_.format.id()) &&
        AlphaStage::hasAlpha(*image)) {
        const bool visible = AlphaStage::hasVisibleTransparency(*image);
        image = AlphaStage::flatten(image, spec_.matte);
        if (visible) warnings_.push_back(ConversionWarning::transparencyFlattened());
    }
    image = ColourStage::apply(spec_.colour, image);
    if (spec_.adjustments.greyscale)
        image = AdjustmentStage::greyscale(image, encoder.writesSingleChannelGrey());
    image = colourForEncoder(std::move(image), encoder);
    platform::throwIfCancelled(stop_);

    const platform::Size pixelSize = sizeOf(image);
    metadata_->describeOutput(encoder.format(), image->width(), image->height(),
                              properties.orientation != 1 || !spec_.adjustments.reorientation.isIdentity());
    metadataLeftOut_ = metadata_->leftOut();
    platform::Bytes output = encodedByQuality(std::move(image), encoder);

    if (sourceMayBeKept(properties)) {
        // A source that would have been kept as it is wins when it is smaller; a read that
        // fails now only means the encoded bytes stand.
        try {
            platform::Bytes sourceBytes = platform::readWholeFile(source_);
            if (sourceBytes.size() < output.size()) {
                output = std::move(sourceBytes);
                std::erase(warnings_, ConversionWarning::reencoded());
                metadataLeftOut_.clear();
            }
        } catch (const platform::FileError&) {
        }
    }

    return finished(std::move(output), pixelSize, properties);
}

platform::Bytes ConversionPipeline::encodedByQuality(platform::ImageRef image, const ImageEncoder& encoder) {
    const QualityMode& quality = spec_.quality;
    switch (quality.kind()) {
    case QualityMode::Kind::quality:
        qualityToken_ = quality.payload();
        return encoder.encodeReleasing(std::move(image), metadata_->options(quality.payload(), effort_));
    case QualityMode::Kind::lossless:
        return encoder.encodeReleasing(std::move(image), metadata_->options(std::nullopt, effort_));
    case QualityMode::Kind::targetBytes:
        break;
    }
    const std::int64_t target = quality.payload();
    auto output = TargetSizeEncode::run(encoder, target, effort_, stop_, [&](std::int64_t q, EncodeEffort effort) {
        return encoder.encode(image, metadata_->options(q, effort));
    });
    if (encoder.supportsQuality()) qualityToken_ = output.quality;
    if (static_cast<std::int64_t>(output.bytes.size()) > target)
        warnings_.push_back(ConversionWarning::targetSizeMissed(static_cast<std::int64_t>(output.bytes.size())));
    return std::move(output.bytes);
}

bool ConversionPipeline::sourceMayBeKept(const ImageProperties& properties) const {
    return spec_.metadata == MetadataPolicy::keepAll && !(metadata_ && metadata_->exifRepaired()) &&
           LosslessReoptimisation::wouldBeTheSameFile(spec_, page_, properties);
}

ConversionResult ConversionPipeline::finished(platform::Bytes bytes, platform::Size pixelSize,
                                              const ImageProperties& properties) const {
    std::string name = OutputNamer::fileName(platform::lastPathComponent(source_.string()), spec_.namePattern,
                                             spec_.format, pixelSize, scaleToken_, qualityToken_);
    return ConversionResult{std::make_shared<const platform::Bytes>(std::move(bytes)), pixelSize, spec_.format,
                            std::move(name), properties.byteCount, warnings_, metadataLeftOut_};
}

} // namespace pictavo
