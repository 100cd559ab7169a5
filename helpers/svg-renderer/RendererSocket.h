#pragma once
#include <cstdint>
#include <optional>
#include <vector>

// The renderer's end of the socket pair the program made: whole messages, read and written
// with the calls blocking, since the program sends one request at a time and reads each
// reply as it comes.
class RendererSocket {
public:
    explicit RendererSocket(int descriptor) : descriptor_(descriptor) {}

    // The next message's body; nothing when the program has gone or sent more than `largest`.
    std::optional<std::vector<std::uint8_t>> read(std::uint32_t largest) const;
    // A framed message; false when the program has gone.
    bool write(const std::vector<std::uint8_t>& framed) const;

    int descriptor() const { return descriptor_; }

private:
    bool readExactly(std::uint8_t* into, std::size_t count) const;
    int descriptor_;
};
