#pragma once
// The messages between the program and its browser renderer process (helpers/svg-renderer).
// Both ends are built from this one header, which uses the standard library alone, so the
// renderer links nothing of the program. Every message is a 32-bit length followed by that
// many bytes; numbers are in the machine's own byte order, since both ends run on it.
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pictavo {

namespace BrowserRenderProtocol {

// The renderer draws the document the program wrote into the folder it named at start-up.
inline constexpr std::string_view documentName = "document.svg";
// The rule list, compiled and kept by the renderer inside that same folder.
inline constexpr std::string_view ruleStoreName = "content-rules";
inline constexpr std::string_view ruleListIdentifier = "pictavo-by-fenwid.svg-isolation";
inline constexpr std::string_view scriptWorld = "pictavo-by-fenwid.renderer";
// The renderer reads requests from and writes replies to this descriptor.
inline constexpr int socketDescriptor = 3;
// A request is a few numbers; anything longer is not one.
inline constexpr std::uint32_t largestRequest = 64;

struct Request {
    double intrinsicWidth = 0;
    double intrinsicHeight = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
};

enum class ReplyKind : std::uint32_t {
    snapshots = 1,
    // The browser's own error: domain, code and message.
    browserError = 2,
    // The document's root element is not an SVG element.
    notSVG = 3,
    couldNotBeIsolated = 4,
    producedNoImage = 5,
    couldNotReadPixels = 6,
    // The browser's content process ended during the render.
    browserStopped = 7,
    // The renderer itself could not start (no display, no browser); the message says why.
    couldNotStart = 8,
};

// One photograph of the page: rows from the top, 4 bytes a pixel in blue, green, red,
// alpha order (the browser's own premultiplied layout), no padding between rows.
struct Snapshot {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> pixels;
};

struct Reply {
    ReplyKind kind = ReplyKind::producedNoImage;
    std::string domain;
    std::int32_t code = 0;
    std::string message;
    Snapshot overWhite;
    Snapshot overBlack;
};

class Writer {
public:
    template <typename Number>
    void number(Number value) {
        const auto at = bytes_.size();
        bytes_.resize(at + sizeof value);
        std::memcpy(bytes_.data() + at, &value, sizeof value);
    }
    void text(std::string_view value) {
        number(static_cast<std::uint32_t>(value.size()));
        bytes_.insert(bytes_.end(), value.begin(), value.end());
    }
    void raw(const std::uint8_t* data, std::size_t count) { bytes_.insert(bytes_.end(), data, data + count); }
    // The message with its length in front.
    std::vector<std::uint8_t> framed() const {
        Writer frame;
        frame.number(static_cast<std::uint32_t>(bytes_.size()));
        frame.bytes_.insert(frame.bytes_.end(), bytes_.begin(), bytes_.end());
        return frame.bytes_;
    }

private:
    std::vector<std::uint8_t> bytes_;
};

// Reads a message body; every read past its end fails and leaves the reader failed.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    template <typename Number>
    std::optional<Number> number() {
        Number value{};
        if (!take(&value, sizeof value)) return std::nullopt;
        return value;
    }
    std::optional<std::string> text() {
        const auto length = number<std::uint32_t>();
        if (!length || *length > size_ - at_) return std::nullopt;
        std::string value(reinterpret_cast<const char*>(data_ + at_), *length);
        at_ += *length;
        return value;
    }
    bool raw(std::uint8_t* into, std::size_t count) { return take(into, count); }
    std::size_t remaining() const { return size_ - at_; }

private:
    bool take(void* into, std::size_t count) {
        if (count > size_ - at_) return false;
        if (count) std::memcpy(into, data_ + at_, count);
        at_ += count;
        return true;
    }
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

inline std::vector<std::uint8_t> encode(const Request& request) {
    Writer writer;
    writer.number(request.intrinsicWidth);
    writer.number(request.intrinsicHeight);
    writer.number(request.width);
    writer.number(request.height);
    return writer.framed();
}

inline std::optional<Request> decodeRequest(const std::uint8_t* data, std::size_t size) {
    Reader reader(data, size);
    const auto intrinsicWidth = reader.number<double>();
    const auto intrinsicHeight = reader.number<double>();
    const auto width = reader.number<std::int64_t>();
    const auto height = reader.number<std::int64_t>();
    if (!intrinsicWidth || !intrinsicHeight || !width || !height || reader.remaining() != 0) return std::nullopt;
    return Request{*intrinsicWidth, *intrinsicHeight, *width, *height};
}

inline std::vector<std::uint8_t> encode(const Reply& reply) {
    Writer writer;
    writer.number(static_cast<std::uint32_t>(reply.kind));
    if (reply.kind == ReplyKind::snapshots) {
        for (const Snapshot* snapshot : {&reply.overWhite, &reply.overBlack}) {
            writer.number(snapshot->width);
            writer.number(snapshot->height);
            writer.raw(snapshot->pixels.data(), snapshot->pixels.size());
        }
    } else {
        writer.text(reply.domain);
        writer.number(reply.code);
        writer.text(reply.message);
    }
    return writer.framed();
}

// A reply whose snapshots are larger than `largestSnapshotPixels` each is refused before
// their pixels are copied.
inline std::optional<Reply> decodeReply(const std::uint8_t* data, std::size_t size, std::uint64_t largestSnapshotPixels) {
    Reader reader(data, size);
    const auto kind = reader.number<std::uint32_t>();
    if (!kind || *kind < 1 || *kind > static_cast<std::uint32_t>(ReplyKind::couldNotStart)) return std::nullopt;
    Reply reply;
    reply.kind = static_cast<ReplyKind>(*kind);
    if (reply.kind == ReplyKind::snapshots) {
        for (Snapshot* snapshot : {&reply.overWhite, &reply.overBlack}) {
            const auto width = reader.number<std::uint32_t>();
            const auto height = reader.number<std::uint32_t>();
            if (!width || !height) return std::nullopt;
            const std::uint64_t pixels = std::uint64_t{*width} * *height;
            if (pixels > largestSnapshotPixels || pixels * 4 > reader.remaining()) return std::nullopt;
            snapshot->width = *width;
            snapshot->height = *height;
            snapshot->pixels.resize(pixels * 4);
            reader.raw(snapshot->pixels.data(), snapshot->pixels.size());
        }
    } else {
        auto domain = reader.text();
        const auto code = reader.number<std::int32_t>();
        auto message = reader.text();
        if (!domain || !code || !message) return std::nullopt;
        reply.domain = std::move(*domain);
        reply.code = *code;
        reply.message = std::move(*message);
    }
    if (reader.remaining() != 0) return std::nullopt;
    return reply;
}

} // namespace BrowserRenderProtocol

} // namespace pictavo
