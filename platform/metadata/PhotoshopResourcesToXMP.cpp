#include "platform/metadata/PhotoshopResourcesToXMP.h"

#include "platform/metadata/PhotoshopResources.h"
#include "platform/metadata/XMPAdditions.h"

#include <algorithm>
#include <map>

namespace platform {
namespace {

constexpr std::uint16_t resolutionInfo = 0x03ED, copyrightFlag = 0x040A, url = 0x040B, iptcDigest = 0x0425;

// What a resource is, as its user would know it.
std::string resourceName(std::uint16_t identifier) {
    static const std::map<std::uint16_t, const char*> names = {
        {0x03EE, "alpha channel names"}, {0x03F0, "caption"}, {0x03F1, "border information"},
        {0x03F2, "background colour"}, {0x03F3, "print flags"}, {0x03F4, "greyscale halftoning"},
        {0x03F5, "colour halftoning"}, {0x03F6, "duotone halftoning"}, {0x03F7, "greyscale transfer functions"},
        {0x03F8, "colour transfer functions"}, {0x03FB, "effective black and white values"}, {0x03FD, "EPS options"},
        {0x03FE, "quick mask"}, {0x0400, "layer state"}, {0x0402, "layer groups"}, {0x0405, "image mode"},
        {0x0406, "JPEG quality"}, {0x0408, "grid and guides"}, {0x0409, "thumbnail"}, {0x040C, "thumbnail"},
        {0x040D, "global angle"}, {0x0410, "watermark"}, {0x0412, "effects visible"}, {0x0414, "document ID seed"},
        {0x0415, "Unicode alpha names"}, {0x0416, "indexed colour count"}, {0x0417, "transparency index"},
        {0x0419, "global altitude"}, {0x041A, "slices"}, {0x041B, "workflow URL"}, {0x041D, "alpha identifiers"},
        {0x041E, "URL list"}, {0x0421, "version information"}, {0x0426, "print scale"},
        {0x0428, "pixel aspect ratio"}, {0x0429, "layer comps"}, {0x042D, "layer selection"},
        {0x0430, "layer groups enabled"}, {0x0435, "channel options"}, {0x0436, "measurement scale"},
        {0x043A, "print information"}, {0x043B, "print style"}, {0x2710, "print flags information"}};
    const auto found = names.find(identifier);
    return found != names.end() ? found->second : "resource " + std::to_string(identifier);
}

} // namespace

PhotoshopResourcesInXMP xmpWithPhotoshopResources(const XMPPacket* packet, const Bytes& resources) {
    PhotoshopResourcesInXMP result;
    std::vector<XMPAddition> additions;
    std::vector<std::string> mapped; // what each addition is, named as the unplaced are
    for (const auto& resource : photoshopResources(ByteView(resources.data(), resources.size()))) {
        const ByteView data = resource.data;
        if (resource.identifier == copyrightFlag && data.size() >= 1) {
            additions.push_back({"Xmp.xmpRights.Marked", XMPAddition::Form::text, *data.u8(0) ? "True" : "False"});
            mapped.push_back("copyright flag");
        } else if (resource.identifier == url && data.size() >= 1) {
            additions.push_back({"Xmp.xmpRights.WebStatement", XMPAddition::Form::text,
                                 std::string(reinterpret_cast<const char*>(data.data()), data.size())});
            mapped.push_back("URL");
        } else if (resource.identifier != resolutionInfo && resource.identifier != iptcDigest) {
            const std::string name = resourceName(resource.identifier);
            if (std::find(result.unplaced.begin(), result.unplaced.end(), name) == result.unplaced.end())
                result.unplaced.push_back(name);
        }
    }
    if (additions.empty()) return result;
    XMPWithAdditions added = xmpWithAdditions(packet, additions);
    if (added.failed) result.unplaced.insert(result.unplaced.end(), mapped.begin(), mapped.end());
    result.packet = std::move(added.packet);
    return result;
}

} // namespace platform
