#include "helpers/svg-renderer/RendererSocket.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

bool RendererSocket::readExactly(std::uint8_t* into, std::size_t count) const {
    while (count > 0) {
        const ssize_t got = ::read(descriptor_, into, count);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        into += got;
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

std::optional<std::vector<std::uint8_t>> RendererSocket::read(std::uint32_t largest) const {
    std::uint8_t header[4];
    if (!readExactly(header, sizeof header)) return std::nullopt;
    std::uint32_t length = 0;
    std::memcpy(&length, header, sizeof length);
    if (length > largest) return std::nullopt;
    std::vector<std::uint8_t> body(length);
    if (!readExactly(body.data(), body.size())) return std::nullopt;
    return body;
}

bool RendererSocket::write(const std::vector<std::uint8_t>& framed) const {
    std::size_t written = 0;
    while (written < framed.size()) {
        const ssize_t sent = ::send(descriptor_, framed.data() + written, framed.size() - written, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        written += static_cast<std::size_t>(sent);
    }
    return true;
}
