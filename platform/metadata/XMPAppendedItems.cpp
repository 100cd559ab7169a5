#include "platform/metadata/XMPAppendedItems.h"

#include "platform/metadata/XMPTopLevel.h"

#include <algorithm>
#include <string_view>

namespace platform {
namespace {

constexpr std::string_view cameraNamespace = "http://ns.google.com/photos/1.0/camera/";
constexpr std::string_view containerNamespace = "http://ns.google.com/photos/1.0/container/";
// An Ultra HDR picture's gain map parameters: a reader that finds them looks for the gain map.
constexpr std::string_view gainMapNamespace = "http://ns.adobe.com/hdr-gain-map/1.0/";
constexpr std::string_view videoFields[] = {"MicroVideo",  "MicroVideoVersion",  "MicroVideoOffset",
                                            "MicroVideoPresentationTimestampUs", "MotionPhoto",
                                            "MotionPhotoVersion", "MotionPhotoPresentationTimestampUs"};

} // namespace

XMPWithoutAppendedItems xmpWithoutAppendedItems(const XMPPacket& packet) {
    std::vector<XMPTopLevelField> fields;
    const auto gather = [&](std::string_view uri, std::string_view local) {
        // A packet that does not read as XML is left as it is, whatever it points at.
        const auto topLevel = xmpTopLevel(packet.text, uri, local);
        if (!topLevel) return false;
        fields.insert(fields.end(), topLevel->fields.begin(), topLevel->fields.end());
        return true;
    };
    if (!gather(containerNamespace, "Directory") || !gather(gainMapNamespace, "")) return {packet};
    for (const auto local : videoFields)
        if (!gather(cameraNamespace, local)) return {packet};
    if (fields.empty()) return {packet};
    // Removed from the last to the first, so that each stays where the text put it.
    std::sort(fields.begin(), fields.end(),
              [](const XMPTopLevelField& a, const XMPTopLevelField& b) { return a.wholeBegin < b.wholeBegin; });
    XMPWithoutAppendedItems without{packet};
    without.packet.text = xmpWithFieldsRemoved(packet.text, fields);
    for (const auto& field : fields) without.removed.push_back(field.name);
    return without;
}

} // namespace platform
