#include "platform/metadata/XMPAppendedItems.h"

#include "platform/metadata/XMPTopLevel.h"

#include <string_view>

namespace platform {
namespace {

constexpr std::string_view cameraNamespace = "http://ns.google.com/photos/1.0/camera/";
constexpr std::string_view containerNamespace = "http://ns.google.com/photos/1.0/container/";
constexpr std::string_view videoFields[] = {"MicroVideo",  "MicroVideoVersion",  "MicroVideoOffset",
                                            "MicroVideoPresentationTimestampUs", "MotionPhoto",
                                            "MotionPhotoVersion", "MotionPhotoPresentationTimestampUs"};

} // namespace

XMPWithoutAppendedItems xmpWithoutAppendedItems(const XMPPacket& packet) {
    std::vector<std::string> names = xmpNamesIn(packet.text, containerNamespace, "Directory");
    for (const auto local : videoFields) {
        const auto named = xmpNamesIn(packet.text, cameraNamespace, local);
        names.insert(names.end(), named.begin(), named.end());
    }
    if (names.empty()) return {packet};
    const auto topLevel = xmpTopLevel(packet.text, names);
    if (!topLevel || topLevel->fields.empty()) return {packet};
    XMPWithoutAppendedItems without{packet};
    without.packet.text = xmpWithFieldsRemoved(packet.text, topLevel->fields);
    for (const auto& field : topLevel->fields) without.removed.push_back(field.name);
    return without;
}

} // namespace platform
