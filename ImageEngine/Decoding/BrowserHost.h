#pragma once
#include "ImageEngine/Decoding/BrowserRenderGate.h"
#include "ImageEngine/Decoding/BrowserRenderProtocol.h"
#include "ImageEngine/Decoding/WebKitSnapshots.h"
#include "platform/base/Bytes.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace pictavo {

class SVGRendererProcess;

// Drives the browser renderer process from a thread of its own, the one that plays the
// browser's "main thread": it starts the renderer on the first render, keeps it running
// between renders, hands it one render at a time and delivers each outcome to the render's
// turn. A renderer that has not answered by the render's deadline is killed and the render
// fails as stalled; one that dies fails it as stopped; either way the next render starts a
// fresh renderer. Every render handed over is delivered exactly once, so the gate it holds
// always opens again.
class BrowserHost {
public:
    using Turn = BrowserRenderGate::Turn<WebKitSnapshots>;

    static constexpr std::chrono::milliseconds standardWatchdog{35'000};

    struct Render {
        platform::Bytes document;
        // The source's file name, for the error of a document that is not an SVG.
        std::string fileName;
        BrowserRenderProtocol::Request request;
        // When the renderer is killed if it has not answered.
        std::chrono::steady_clock::time_point deadline;
        std::shared_ptr<Turn> turn;
    };

    // `rendererCommand` is the renderer program and any arguments before the folder; empty
    // when no renderer is installed, and then every render fails saying so.
    explicit BrowserHost(std::vector<std::string> rendererCommand,
                         std::chrono::milliseconds watchdog = standardWatchdog);
    // Fails what is still waiting, kills the renderer and ends the thread.
    ~BrowserHost();
    BrowserHost(const BrowserHost&) = delete;
    BrowserHost& operator=(const BrowserHost&) = delete;

    // The host of the process, with the installed renderer; made on first use, never ended.
    static BrowserHost& shared();
    // The installed renderer: beside the running program or in its libexec folder, else
    // where the build put it.
    static std::vector<std::string> installedRenderer();

    std::chrono::milliseconds watchdog() const { return watchdog_; }
    void render(Render render);
    // The renderer's process id while one runs, else 0.
    pid_t rendererProcessId() const { return rendererProcessId_.load(); }

private:
    void drive();
    void run(Render& render);
    void endRenderer();

    const std::vector<std::string> rendererCommand_;
    const std::chrono::milliseconds watchdog_;
    std::unique_ptr<SVGRendererProcess> renderer_;
    std::atomic<pid_t> rendererProcessId_{0};
    std::mutex lock_;
    std::condition_variable arrived_;
    std::deque<Render> waiting_;
    bool stopping_ = false;
    std::thread driver_;
};

} // namespace pictavo
