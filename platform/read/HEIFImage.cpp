#include "platform/read/HEIFImage.h"

#include <libheif/heif.h>

#include <memory>
#include <vector>

namespace platform {

bool withHEIFImage(ByteView file, std::int64_t index, const std::function<void(const heif_image_handle*)>& use) {
    std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(), heif_context_free);
    if (!context || heif_context_read_from_memory_without_copy(context.get(), file.data(), file.size(), nullptr).code !=
                        heif_error_Ok)
        return false;
    const int count = heif_context_get_number_of_top_level_images(context.get());
    if (index < 0 || index >= count) return false;
    std::vector<heif_item_id> images(static_cast<std::size_t>(count));
    heif_context_get_list_of_top_level_image_IDs(context.get(), images.data(), count);
    heif_image_handle* raw = nullptr;
    if (heif_context_get_image_handle(context.get(), images[static_cast<std::size_t>(index)], &raw).code != heif_error_Ok)
        return false;
    std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> handle(raw, heif_image_handle_release);
    use(handle.get());
    return true;
}

} // namespace platform
