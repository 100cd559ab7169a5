#include "ImageEngine/Decoding/DecoderRegistry.h"
#include "support/ConversionErrorCapture.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

using namespace pictavo;
using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// A listening-free socket node at `path`; false where the path is too long for one.
bool makeSocket(const fs::path& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.native().size() >= sizeof(address.sun_path)) return false;
    path.native().copy(address.sun_path, sizeof(address.sun_path) - 1);
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (socket < 0) return false;
    const bool bound = ::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(socket);
    return bound;
}

// A character device: root makes one of /dev/zero's or /dev/urandom's kind, anyone else links to it.
fs::path madeDevice(const fs::path& path, unsigned minor, const char* existing) {
    if (::mknod(path.c_str(), S_IFCHR | 0600, ::makedev(1, minor)) != 0) fs::create_symlink(existing, path);
    return path;
}

// Each kind of node that is not a regular file, under a name every decoder claims (a PNG, a
// PDF, an SVG, a JPEG), as another program may leave it where an admitted source was: the
// decoders say this computer can't read that kind of file, not that it may be damaged, and
// none of them waits on the pipe or reads the devices.
TEST(SourcesThatAreNotFiles, EveryDecoderRefusesThemAsAKindOfFileWithoutWaitingOrReading) {
    const DecoderRegistry decoders = DecoderRegistry::standard();
    const auto refusal = ConversionError::unsupportedInput("This computer can't read this kind of file.");
    TemporaryFolder folder;
    std::vector<fs::path> pipes;
    for (const std::string extension : {".png", ".pdf", ".svg", ".jpg"}) {
        const fs::path pipe = pipes.emplace_back(folder.file("pipe" + extension));
        ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
        fs::create_directory(folder.file("folder" + extension));
        std::vector<fs::path> nodes{pipe, madeDevice(folder.file("zeros" + extension), 5, "/dev/zero"),
                                    madeDevice(folder.file("noise" + extension), 9, "/dev/urandom"),
                                    folder.file("folder" + extension)};
        if (makeSocket(folder.file("socket" + extension))) nodes.push_back(folder.file("socket" + extension));

        for (const fs::path& path : nodes) {
            SCOPED_TRACE(path.filename().string());
            const ImageDecoderRef decoder = decoders.decoder(path);
            EXPECT_EQ(thrownBy([&] { decoder->properties(path); }), refusal);
            EXPECT_EQ(thrownBy([&] { decoder->decode(path, 1); }), refusal);
        }
    }
    // Nobody was left waiting on a pipe: a writer that does not wait finds no reader.
    for (const fs::path& pipe : pipes) {
        const int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
        const int error = errno;
        EXPECT_EQ(writer, -1) << pipe.filename() << ": a reader is still waiting on it";
        EXPECT_EQ(error, ENXIO);
        if (writer >= 0) ::close(writer);
    }
}

} // namespace
