#include "support/PSDSamples.h"

#include <bit>
#include <cstdlib>
#include <cstring>

namespace testing_support {
namespace {

void put(platform::Bytes& out, std::uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}
void append(platform::Bytes& out, const platform::Bytes& bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }

} // namespace

platform::Bytes packBits(const platform::Bytes& row) {
    platform::Bytes out;
    std::size_t at = 0;
    while (at < row.size()) {
        std::size_t run = 1;
        while (at + run < row.size() && run < 128 && row[at + run] == row[at]) ++run;
        if (run >= 3) {
            out.push_back(static_cast<std::uint8_t>(257 - run));
            out.push_back(row[at]);
            at += run;
            continue;
        }
        std::size_t literal = 0;
        while (at + literal < row.size() && literal < 128) {
            const std::size_t i = at + literal;
            if (i + 2 < row.size() && row[i] == row[i + 1] && row[i] == row[i + 2]) break;
            ++literal;
        }
        out.push_back(static_cast<std::uint8_t>(literal - 1));
        out.insert(out.end(), row.begin() + static_cast<std::ptrdiff_t>(at), row.begin() + static_cast<std::ptrdiff_t>(at + literal));
        at += literal;
    }
    return out;
}

platform::Bytes psdFile(const PSDSample& sample) {
    const bool big = sample.version == 2;
    platform::Bytes out = {'8', 'B', 'P', 'S'};
    put(out, static_cast<std::uint64_t>(sample.version), 2);
    put(out, 0, 6);
    put(out, sample.channels.size(), 2);
    put(out, static_cast<std::uint64_t>(sample.height), 4);
    put(out, static_cast<std::uint64_t>(sample.width), 4);
    put(out, static_cast<std::uint64_t>(sample.depth), 2);
    put(out, static_cast<std::uint64_t>(sample.mode), 2);
    put(out, sample.colourModeData.size(), 4);
    append(out, sample.colourModeData);

    platform::Bytes resources;
    for (const auto& [identifier, data] : sample.resources) {
        append(resources, {'8', 'B', 'I', 'M'});
        put(resources, identifier, 2);
        put(resources, 0, 2); // an empty name, padded
        put(resources, data.size(), 4);
        append(resources, data);
        if (data.size() % 2) resources.push_back(0);
    }
    put(out, resources.size(), 4);
    append(out, resources);

    platform::Bytes layers;
    if (sample.layerCount != 0 && sample.layersInTaggedBlock) {
        put(layers, 0, big ? 8 : 4); // no layer information of its own
        put(layers, 0, 4);           // no global layer mask
        append(layers, {'8', 'B', 'I', 'M', 'L', 'r', '1', '6'});
        put(layers, 4, big ? 8 : 4);
        put(layers, static_cast<std::uint16_t>(static_cast<std::int16_t>(sample.layerCount)), 2);
        put(layers, 0, 2);
    } else if (sample.layerCount != 0) {
        put(layers, 2, big ? 8 : 4);
        put(layers, static_cast<std::uint16_t>(static_cast<std::int16_t>(sample.layerCount)), 2);
    }
    put(out, layers.size(), big ? 8 : 4);
    append(out, layers);
    if (sample.withoutMergedImage) return out;

    put(out, sample.packBits ? 1 : 0, 2);
    const std::size_t rowBytes = (static_cast<std::size_t>(sample.width) * static_cast<std::size_t>(sample.depth) + 7) / 8;
    if (!sample.packBits) {
        for (const auto& channel : sample.channels) append(out, channel);
        return out;
    }
    platform::Bytes counts, packed;
    for (const auto& channel : sample.channels)
        for (std::int64_t y = 0; y < sample.height; ++y) {
            const auto begin = channel.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(y) * rowBytes);
            const platform::Bytes row = packBits(platform::Bytes(begin, begin + static_cast<std::ptrdiff_t>(rowBytes)));
            put(counts, row.size(), big ? 4 : 2);
            append(packed, row);
        }
    append(out, counts);
    append(out, packed);
    return out;
}

platform::Bytes bigEndian16(const std::vector<std::uint16_t>& values) {
    platform::Bytes out;
    for (auto value : values) put(out, value, 2);
    return out;
}

platform::Bytes bigEndianFloats(const std::vector<float>& values) {
    platform::Bytes out;
    for (auto value : values) put(out, std::bit_cast<std::uint32_t>(value), 4);
    return out;
}

bool hasProgram(const std::string& program) {
    return std::system(("command -v '" + program + "' >/dev/null 2>&1").c_str()) == 0;
}

bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

} // namespace testing_support
