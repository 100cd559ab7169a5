#include "ImageEngine/Stages/MetadataStage.h"

namespace pictavo {

EncodeOptions MetadataStage::options(MetadataPolicy policy, const ImageProperties& source,
                                     std::optional<std::int64_t> quality, EncodeEffort effort) {
    std::optional<PreservedProperties> preserved;
    if (policy == MetadataPolicy::keepAll) preserved = source.preserved;
    return EncodeOptions(quality, std::uint32_t{1}, std::move(preserved), effort, policy);
}

} // namespace pictavo
