#include "ImageEngine/Decoding/DecoderRegistry.h"

#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Decoding/CoreSVGDecoder.h"
#include "ImageEngine/Decoding/ImageIODecoder.h"
#include "ImageEngine/Decoding/PDFDecoder.h"
#include "ImageEngine/Decoding/SourceFile.h"
#include "ImageEngine/Decoding/WebKitSVGDecoder.h"
#include "platform/files/FilePath.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace pictavo {

DecoderRegistry DecoderRegistry::standard() {
    // SVG first, then PDF, then every raster type: a type two of them read goes to the first.
    // SVGs that the system drawer cannot draw faithfully go on to the browser.
    return DecoderRegistry({std::make_shared<const CoreSVGDecoder>(std::make_shared<const WebKitSVGDecoder>()),
                            std::make_shared<const PDFDecoder>(), std::make_shared<const ImageIODecoder>()});
}

ImageDecoderRef DecoderRegistry::decoder(const std::filesystem::path& url) const {
    const auto type = platform::ContentType::ofFile(url).value_or(platform::ContentType::data());
    for (const auto& candidate : decoders_)
        if (candidate->canDecode(type)) return candidate;

    const std::string extension = platform::pathExtension(url.string());
    if (extension.empty()) throw unreadableKindOfFile();
    // Lower-cased by Unicode's rules, not the user's locale, so ".JPG" reads ".jpg" everywhere.
    std::string lowered;
    icu::UnicodeString::fromUTF8(extension).toLower(icu::Locale::getRoot()).toUTF8String(lowered);
    throw ConversionError::unsupportedInput("This computer can't read ." + lowered + " files.");
}

std::unordered_set<platform::ContentType> DecoderRegistry::readableTypes() const {
    std::unordered_set<platform::ContentType> types;
    for (const auto& member : decoders_) types.insert(member->readableTypes().begin(), member->readableTypes().end());
    return types;
}

} // namespace pictavo
