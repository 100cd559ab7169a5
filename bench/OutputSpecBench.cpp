#include "ImageEngine/Model/OutputSpec.h"

#include <benchmark/benchmark.h>

namespace {

pictavo::OutputSpec sampleSpec(std::string pattern) {
    using namespace pictavo;
    return OutputSpec{OutputFormat::webp(), ResizeSpec::fit(1920, 1080), QualityMode::quality(82),
                      MetadataPolicy::strip, ColourPolicy::convertToSRGB, MatteColour::white(),
                      Adjustments{Reorientation(1, false), false}, std::move(pattern)};
}

} // namespace

// The batch store keys its estimate cache on the specification: hashing and comparing it
// happens for every card on every change of the options.
static void BM_OutputSpecHash(benchmark::State& state) {
    const auto spec = sampleSpec(state.range(0) ? "caf\u00e9 {name}-{w}\u00d7{h}" : "{name}-{w}x{h}");
    for (auto _ : state) benchmark::DoNotOptimize(spec.hash());
}
BENCHMARK(BM_OutputSpecHash)->Arg(0)->Arg(1);

static void BM_OutputSpecEncodingIdentityHash(benchmark::State& state) {
    const auto spec = sampleSpec("caf\u00e9 {name}");
    for (auto _ : state) benchmark::DoNotOptimize(spec.encodingIdentity().hash());
}
BENCHMARK(BM_OutputSpecEncodingIdentityHash);

static void BM_OutputSpecEqualityWithDifferentPatterns(benchmark::State& state) {
    const auto a = sampleSpec("caf\u00e9 {name}");
    const auto b = sampleSpec("cafe\u0301 {name}");
    for (auto _ : state) benchmark::DoNotOptimize(a == b);
}
BENCHMARK(BM_OutputSpecEqualityWithDifferentPatterns);

// Reading and writing the stored specification, as the settings do.
static void BM_OutputSpecJsonRoundTrip(benchmark::State& state) {
    const std::string text = sampleSpec("{name}").jsonText();
    for (auto _ : state) benchmark::DoNotOptimize(pictavo::OutputSpec::fromJsonText(text).jsonText());
}
BENCHMARK(BM_OutputSpecJsonRoundTrip);
