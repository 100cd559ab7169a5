#pragma once
#include "platform/base/Bytes.h"
#include "platform/files/FileDescriptor.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace pictavo {

// One running browser renderer (helpers/svg-renderer): its process, our end of the socket
// pair it answers on, and the private folder (0700, new for each process) into which the
// document it draws is copied. Used by one thread at a time.
class SVGRendererProcess {
public:
    // Starts `command` with the private folder as its last argument and its end of the
    // socket on descriptor 3. Throws ConversionError::renderFailed when it cannot.
    static std::unique_ptr<SVGRendererProcess> start(const std::vector<std::string>& command);

    // Kills the process if it still runs, waits for it, and removes the folder.
    ~SVGRendererProcess();
    SVGRendererProcess(const SVGRendererProcess&) = delete;
    SVGRendererProcess& operator=(const SVGRendererProcess&) = delete;

    pid_t processId() const { return process_; }
    // False once the process has ended (or said something unasked) since its last answer.
    bool isIdle() const;

    // The document's private copy, replacing the last one; throws platform::FileError.
    void writeDocument(const platform::Bytes& document) const;

    enum class Outcome { answered, ended, overran, unreadable };
    struct Received {
        Outcome outcome;
        std::vector<std::uint8_t> body;
    };
    // Sends one framed request and waits until `deadline` for the answer's body, which
    // may be at most `largest` bytes long.
    Received exchange(const std::vector<std::uint8_t>& framedRequest, std::chrono::steady_clock::time_point deadline,
                      std::uint64_t largest) const;

private:
    SVGRendererProcess(pid_t process, platform::FileDescriptor socket, std::filesystem::path folder)
        : process_(process), socket_(std::move(socket)), folder_(std::move(folder)) {}

    // `answered` once all `count` bytes have arrived.
    Outcome readExactly(std::uint8_t* into, std::size_t count, std::chrono::steady_clock::time_point deadline) const;

    pid_t process_;
    platform::FileDescriptor socket_;
    std::filesystem::path folder_;
};

} // namespace pictavo
