#include "platform/read/HEIFMetadata.h"

#include "platform/read/HEIFImage.h"

#include <libheif/heif.h>

#include <string_view>
#include <vector>

namespace platform {

std::optional<std::string> heifXMP(ByteView file, std::int64_t index) {
    std::optional<std::string> found;
    withHEIFImage(file, index, [&](const heif_image_handle* handle) {
        const int blocks = heif_image_handle_get_number_of_metadata_blocks(handle, "mime");
        if (blocks <= 0) return;
        std::vector<heif_item_id> ids(static_cast<std::size_t>(blocks));
        heif_image_handle_get_list_of_metadata_block_IDs(handle, "mime", ids.data(), blocks);
        for (const heif_item_id id : ids) {
            const char* type = heif_image_handle_get_metadata_content_type(handle, id);
            if (!type || std::string_view(type) != "application/rdf+xml") continue;
            std::string text(heif_image_handle_get_metadata_size(handle, id), '\0');
            if (text.empty() || heif_image_handle_get_metadata(handle, id, text.data()).code != heif_error_Ok) continue;
            found = std::move(text);
            return;
        }
    });
    return found;
}

} // namespace platform
