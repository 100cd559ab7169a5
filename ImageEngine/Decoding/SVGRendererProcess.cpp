#include "ImageEngine/Decoding/SVGRendererProcess.h"

#include "ImageEngine/Decoding/BrowserRenderProtocol.h"
#include "ImageEngine/Model/ConversionError.h"
#include "platform/files/FilePath.h"
#include "platform/files/PrivateFolder.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace pictavo {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

ConversionError couldNotStart() {
    return ConversionError::renderFailed(RenderFailure::browser("the browser renderer could not be started"));
}

fs::path newPrivateFolder() {
    std::random_device entropy;
    std::uniform_int_distribution<unsigned> digit(0, 15);
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::string name = "pictavo-svg-";
        for (int i = 0; i < 16; ++i) name += "0123456789abcdef"[digit(entropy)];
        const auto folder = fs::temp_directory_path() / name;
        try {
            platform::createPrivateFolder(folder);
            return folder;
        } catch (const platform::FileError& error) {
            if (error.errorNumber() != EEXIST) throw couldNotStart();
        }
    }
    throw couldNotStart();
}

int millisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 60'000));
}

} // namespace

std::unique_ptr<SVGRendererProcess> SVGRendererProcess::start(const std::vector<std::string>& command) {
    if (command.empty()) throw couldNotStart();
    auto folder = newPrivateFolder();

    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        throw couldNotStart();
    }
    platform::FileDescriptor ours(ends[0]);
    platform::FileDescriptor theirs(ends[1]);
    // dup2 onto the same number would keep close-on-exec set: move it out of the way first.
    if (theirs.get() == BrowserRenderProtocol::socketDescriptor)
        theirs = platform::FileDescriptor(::fcntl(theirs.get(), F_DUPFD_CLOEXEC, 10));

    std::vector<std::string> arguments = command;
    arguments.push_back(folder.string());
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, theirs.get(), BrowserRenderProtocol::socketDescriptor);
    // Nothing else of ours reaches the renderer, whatever close-on-exec flags other code set.
    posix_spawn_file_actions_addclosefrom_np(&actions, BrowserRenderProtocol::socketDescriptor + 1);
    pid_t process = 0;
    const int failed = ::posix_spawn(&process, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        throw couldNotStart();
    }
    return std::unique_ptr<SVGRendererProcess>(new SVGRendererProcess(process, std::move(ours), std::move(folder)));
}

SVGRendererProcess::~SVGRendererProcess() {
    ::kill(process_, SIGKILL);
    while (::waitpid(process_, nullptr, 0) < 0 && errno == EINTR) {
    }
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

bool SVGRendererProcess::isIdle() const {
    // Between renders the renderer says nothing: anything to read is its end or a fault.
    pollfd idle{socket_.get(), POLLIN, 0};
    return ::poll(&idle, 1, 0) == 0;
}

void SVGRendererProcess::writeDocument(const platform::Bytes& document) const {
    const auto path = folder_ / std::string(BrowserRenderProtocol::documentName);
    platform::FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file.isOpen()) throw platform::FileError(path, errno, platform::FileOperation::write);
    std::size_t written = 0;
    while (written < document.size()) {
        const ssize_t wrote = ::write(file.get(), document.data() + written, document.size() - written);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) throw platform::FileError(path, wrote < 0 ? errno : ENOSPC, platform::FileOperation::write);
        written += static_cast<std::size_t>(wrote);
    }
}

SVGRendererProcess::Outcome SVGRendererProcess::readExactly(std::uint8_t* into, std::size_t count,
                                                             Clock::time_point deadline) const {
    while (count > 0) {
        pollfd waiting{socket_.get(), POLLIN, 0};
        const int ready = ::poll(&waiting, 1, millisecondsUntil(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return Outcome::ended;
        if (ready == 0) {
            if (Clock::now() >= deadline) return Outcome::overran;
            continue;
        }
        const ssize_t got = ::recv(socket_.get(), into, count, 0);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got <= 0) return Outcome::ended;
        into += got;
        count -= static_cast<std::size_t>(got);
    }
    return Outcome::answered;
}

SVGRendererProcess::Received SVGRendererProcess::exchange(const std::vector<std::uint8_t>& framedRequest,
                                                          Clock::time_point deadline, std::uint64_t largest) const {
    std::size_t sent = 0;
    while (sent < framedRequest.size()) {
        const ssize_t wrote =
            ::send(socket_.get(), framedRequest.data() + sent, framedRequest.size() - sent, MSG_NOSIGNAL);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return {Outcome::ended, {}};
        sent += static_cast<std::size_t>(wrote);
    }
    std::uint8_t header[4];
    if (const auto outcome = readExactly(header, sizeof header, deadline); outcome != Outcome::answered)
        return {outcome, {}};
    std::uint32_t length = 0;
    std::memcpy(&length, header, sizeof length);
    if (length > largest) return {Outcome::unreadable, {}};
    Received received{Outcome::answered, std::vector<std::uint8_t>(length)};
    received.outcome = readExactly(received.body.data(), received.body.size(), deadline);
    return received;
}

} // namespace pictavo
