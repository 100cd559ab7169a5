#include "platform/read/HEIFColour.h"

#include "platform/read/HEIFImage.h"

#include <libheif/heif.h>

#include <memory>
#include <string>

namespace platform {
namespace {

// The primaries libheif gives the chromaticities of, by name; null for unspecified or unknown
// ones and for CIE XYZ, whose primaries lie outside the diagram.
const char* primariesName(heif_color_primaries primaries) {
    switch (primaries) {
    case heif_color_primaries_ITU_R_BT_709_5: return "BT.709";
    case heif_color_primaries_ITU_R_BT_470_6_System_M: return "BT.470 M";
    case heif_color_primaries_ITU_R_BT_470_6_System_B_G: return "BT.470 B/G";
    case heif_color_primaries_ITU_R_BT_601_6: return "BT.601";
    case heif_color_primaries_SMPTE_240M: return "SMPTE 240M";
    case heif_color_primaries_generic_film: return "Generic film";
    case heif_color_primaries_ITU_R_BT_2020_2_and_2100_0: return "BT.2020";
    case heif_color_primaries_SMPTE_RP_431_2: return "DCI-P3";
    case heif_color_primaries_SMPTE_EG_432_1: return "Display P3";
    case heif_color_primaries_EBU_Tech_3213_E: return "EBU 3213";
    default: return nullptr;
    }
}

struct NamedTransfer {
    Transfer transfer;
    const char* name; // null for sRGB's
};

NamedTransfer transferOf(heif_transfer_characteristics characteristics) {
    switch (characteristics) {
    case heif_transfer_characteristic_ITU_R_BT_709_5: case heif_transfer_characteristic_ITU_R_BT_601_6:
    case heif_transfer_characteristic_ITU_R_BT_2020_2_10bit: case heif_transfer_characteristic_ITU_R_BT_2020_2_12bit:
    // Both extend BT.709's curve below black and above white only.
    case heif_transfer_characteristic_IEC_61966_2_4: case heif_transfer_characteristic_ITU_R_BT_1361:
        return {{TransferCurve::bt709, 1.0}, "BT.709 curve"};
    case heif_transfer_characteristic_ITU_R_BT_470_6_System_M: return {{TransferCurve::power, 2.2}, "gamma 2.2"};
    case heif_transfer_characteristic_ITU_R_BT_470_6_System_B_G: return {{TransferCurve::power, 2.8}, "gamma 2.8"};
    case heif_transfer_characteristic_SMPTE_240M: return {{TransferCurve::smpte240, 1.0}, "SMPTE 240M curve"};
    case heif_transfer_characteristic_linear: return {{TransferCurve::power, 1.0}, "linear"};
    case heif_transfer_characteristic_ITU_R_BT_2100_0_PQ: return {{TransferCurve::pq, 1.0}, "PQ"};
    case heif_transfer_characteristic_ITU_R_BT_2100_0_HLG: return {{TransferCurve::hlg, 1.0}, "HLG"};
    default: return {{TransferCurve::sRGB, 1.0}, nullptr};
    }
}

} // namespace

std::optional<ColourDescription> heifColour(ByteView file, std::int64_t index) {
    std::optional<ColourDescription> found;
    withHEIFImage(file, index, [&](const heif_image_handle* handle) {
        heif_color_profile_nclx* raw = nullptr;
        // libheif hands over the profile it made even when it refuses a value in it.
        const heif_error refused = heif_image_handle_get_nclx_color_profile(handle, &raw);
        std::unique_ptr<heif_color_profile_nclx, decltype(&heif_nclx_color_profile_free)> nclx(
            raw, heif_nclx_color_profile_free);
        if (refused.code != heif_error_Ok || !nclx) return;
        const char* primaries = primariesName(nclx->color_primaries);
        const NamedTransfer transfer = transferOf(nclx->transfer_characteristics);
        const bool sRGBPrimaries = !primaries || nclx->color_primaries == heif_color_primaries_ITU_R_BT_709_5;
        if (sRGBPrimaries && !transfer.name) return;
        ColourDescription description;
        description.chromaticities = primaries ? Chromaticities{{nclx->color_primary_white_x, nclx->color_primary_white_y},
                                                                {nclx->color_primary_red_x, nclx->color_primary_red_y},
                                                                {nclx->color_primary_green_x, nclx->color_primary_green_y},
                                                                {nclx->color_primary_blue_x, nclx->color_primary_blue_y}}
                                               : sRGBChromaticities();
        description.transfer = transfer.transfer;
        description.name = primaries ? primaries : "sRGB";
        if (transfer.name) description.name += std::string(", ") + transfer.name;
        found = std::move(description);
    });
    return found;
}

} // namespace platform
