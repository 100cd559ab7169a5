#include "ImageEngine/Decoding/BrowserHost.h"
#include "ImageEngine/Decoding/WebKitSVGSource.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <future>
#include <memory>
#include <vector>

// SVGs from Debian packages (icon themes, documentation) that only the browser draws:
// filters and masks. Those not installed are left out.
static std::vector<std::filesystem::path> browserOnlySVGs() {
    std::vector<std::filesystem::path> found;
    for (const char* path : {"/usr/share/icons/Adwaita/scalable/legacy/preferences-desktop-appearance-symbolic.svg",
                             "/usr/share/icons/hicolor/scalable/apps/org.inkscape.Inkscape.svg",
                             "/usr/share/icons/breeze/apps/48/rocs.svg",
                             "/usr/share/icons/breeze/applets/64/preferences-system-windows-effect-blur.svg",
                             "/usr/share/doc/libvips-doc/html/doxygen.svg"})
        if (std::filesystem::exists(path)) found.emplace_back(path);
    return found;
}

// Renders wait for the browser and so refuse the main thread, where benchmarks run.
static void renderOnce(const pictavo::WebKitSVGSource& source, double side) {
    benchmark::DoNotOptimize(std::async(std::launch::async, [&] { return source.render(side, side); }).get());
}

// The first render of a process: the renderer and its display started, the rules compiled.
static void BM_BrowserFirstRender(benchmark::State& state) {
    const auto files = browserOnlySVGs();
    if (files.empty()) return state.SkipWithError("no SVG that needs the browser is installed");
    pictavo::BrowserRenderGate gate;
    for (auto _ : state) {
        pictavo::BrowserHost host(pictavo::BrowserHost::installedRenderer());
        pictavo::WebKitSVGSource source(files.front(), {48, 48}, {&gate, &host});
        renderOnce(source, 512);
    }
}
BENCHMARK(BM_BrowserFirstRender)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// Renders through a renderer that is already running, the SVGs in turn; its median over the
// repetitions is the figure to read.
static void BM_BrowserWarmRender(benchmark::State& state) {
    static const auto files = browserOnlySVGs();
    if (files.empty()) return state.SkipWithError("no SVG that needs the browser is installed");
    static pictavo::BrowserRenderGate gate;
    static pictavo::BrowserHost host(pictavo::BrowserHost::installedRenderer());
    static std::vector<pictavo::WebKitSVGSource> sources = [] {
        std::vector<pictavo::WebKitSVGSource> made;
        for (const auto& file : files) made.emplace_back(file, platform::Size{48, 48}, pictavo::WebKitSVGSource::Browser{&gate, &host});
        // Started and warmed before the first measurement.
        renderOnce(made.front(), 512);
        return made;
    }();
    static std::size_t next = 0;
    for (auto _ : state) renderOnce(sources[next++ % sources.size()], 512);
}
BENCHMARK(BM_BrowserWarmRender)->Iterations(1)->Repetitions(50)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)->UseRealTime();
