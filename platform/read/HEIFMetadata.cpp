#include "platform/read/HEIFMetadata.h"

#include <libheif/heif.h>

#include <memory>
#include <string_view>
#include <vector>

namespace platform {

std::optional<std::string> heifXMP(ByteView file, std::int64_t index) {
    std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(), heif_context_free);
    if (!context || heif_context_read_from_memory_without_copy(context.get(), file.data(), file.size(), nullptr).code !=
                        heif_error_Ok)
        return std::nullopt;
    const int count = heif_context_get_number_of_top_level_images(context.get());
    if (index < 0 || index >= count) return std::nullopt;
    std::vector<heif_item_id> images(static_cast<std::size_t>(count));
    heif_context_get_list_of_top_level_image_IDs(context.get(), images.data(), count);
    heif_image_handle* raw = nullptr;
    if (heif_context_get_image_handle(context.get(), images[static_cast<std::size_t>(index)], &raw).code != heif_error_Ok)
        return std::nullopt;
    std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> handle(raw, heif_image_handle_release);
    const int blocks = heif_image_handle_get_number_of_metadata_blocks(handle.get(), "mime");
    if (blocks <= 0) return std::nullopt;
    std::vector<heif_item_id> ids(static_cast<std::size_t>(blocks));
    heif_image_handle_get_list_of_metadata_block_IDs(handle.get(), "mime", ids.data(), blocks);
    for (const heif_item_id id : ids) {
        const char* type = heif_image_handle_get_metadata_content_type(handle.get(), id);
        if (!type || std::string_view(type) != "application/rdf+xml") continue;
        std::string text(heif_image_handle_get_metadata_size(handle.get(), id), '\0');
        if (text.empty() || heif_image_handle_get_metadata(handle.get(), id, text.data()).code != heif_error_Ok) continue;
        return text;
    }
    return std::nullopt;
}

} // namespace platform
