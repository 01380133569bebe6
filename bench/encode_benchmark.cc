// The encoder kernel on data already in cache, one entry per path this
// build has, in pixels per second (items_per_second). A path the CPU cannot
// run is reported as skipped.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "image/ici_encode.h"

namespace {

// `bytes_per_pixel` 4 runs `encode`, 3 runs `encode_bgr`.
void EncodeRow(benchmark::State& state, pelorin::EncoderPath path, size_t bytes_per_pixel) {
  if (!path.supported()) {
    state.SkipWithError("this CPU cannot run this path");
    return;
  }
  const size_t pixels = static_cast<size_t>(state.range(0));
  std::vector<uint8_t> tga(bytes_per_pixel * pixels);
  std::mt19937 generator(1);
  for (uint8_t& byte : tga) byte = static_cast<uint8_t>(generator());
  std::vector<uint8_t> ici(3 * pixels);
  for (auto _ : state) {
    if (bytes_per_pixel == 4)
      path.encode(tga.data(), pixels, ici.data());
    else
      path.encode_bgr(tga.data(), pixels, ici.data());
    benchmark::DoNotOptimize(ici.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(pixels));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(bytes_per_pixel * pixels));
}

}  // namespace

int main(int argc, char** argv) {
  pelorin::EncoderPathList all = pelorin::AllEncoderPaths();
  for (size_t i = 0; i < all.count; ++i) {
    // 8192 pixels: one row of the benchmark image, 32 KiB in and 24 KiB out,
    // which stays in the core's own caches.
    benchmark::RegisterBenchmark((std::string("EncodeRow/") + all.paths[i].name).c_str(), EncodeRow,
                                 all.paths[i], size_t{4})
        ->Arg(8192);
    benchmark::RegisterBenchmark((std::string("EncodeBgrRow/") + all.paths[i].name).c_str(),
                                 EncodeRow, all.paths[i], size_t{3})
        ->Arg(8192);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
