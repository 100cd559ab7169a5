#include "platform/text/CanonicalText.h"

#include <unicode/bytestream.h>
#include <unicode/normalizer2.h>

namespace platform {

std::string canonicallyComposed(std::string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) return std::string(text);
    std::string composed;
    icu::StringByteSink<std::string> sink(&composed, static_cast<int32_t>(text.size()));
    nfc->normalizeUTF8(0, icu::StringPiece(text.data(), static_cast<int32_t>(text.size())), sink, nullptr, status);
    return U_FAILURE(status) ? std::string(text) : composed;
}

bool canonicallyEquivalent(std::string_view a, std::string_view b) {
    return a == b || canonicallyComposed(a) == canonicallyComposed(b);
}

} // namespace platform
