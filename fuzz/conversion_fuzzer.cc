// Fuzzes the whole conversion of one TGA file held in memory, and checks
// every result against the tests' reference conversion, which is slow and
// obvious on purpose: one pixel at a time, straight from the definitions.
//
// The input's last two bytes are not part of the file: they choose the band
// size, so that small inputs are cut into many bands and every band edge
// is crossed. The file is then converted once with every encoder path this
// CPU runs.
//
// Any input must end in exactly one of two ways:
//   - the reference says the file is short, and the conversion fails with
//     EInOutError 100 "Read beyond end of file" before anything is written;
//   - the conversion succeeds, and its bytes equal the reference's.
// Any other failure, a crash or a difference aborts.
//
// Nothing is capped: a header may promise 65535 x 65535 pixels over a
// 20-byte input, and must then fail at once without allocating for them.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "image/ici_encode.h"
#include "image/ici_image.h"
#include "image/tga_source.h"
#include "platform/failure.h"
#include "testing/memory_file.h"
#include "testing/reference_ici.h"

namespace {

[[noreturn]] void Fail(const char* what, const char* path) {
  std::fprintf(stderr, "conversion_fuzzer: %s (encoder path %s)\n", what, path);
  std::abort();
}

// The options the input's last bytes choose.
struct Options {
  uint64_t band_bytes;
};
constexpr size_t kOptionBytes = 2;

Options OptionsFrom(const uint8_t* last_bytes) {
  // 0 to 65535 bytes of source a band: from one row a band up to every row
  // of the largest image a few KiB can hold.
  return Options{last_bytes[0] + 256u * last_bytes[1]};
}

void CheckConversion(std::string_view tga, const Options& options,
                     const std::optional<std::string>& expected, const pelorin::EncoderPath& path) {
  pelorin::testing::MemorySource file{std::string(tga)};
  pelorin::testing::MemorySink sink;
  try {
    pelorin::TgaSource source(file);
    pelorin::ImageSize size = source.ReadImageSize();
    source.RequireAllPixels(size);
    pelorin::WriteIciImage(source, size, sink, options.band_bytes, path);
  } catch (const pelorin::EInOutError& failure) {
    if (failure.code() != pelorin::kReadBeyondEndOfFile) Fail("unexpected I/O failure", path.name);
    if (expected) Fail("a complete file failed as short", path.name);
    if (!sink.bytes().empty()) Fail("a short file had bytes written before it failed", path.name);
    return;
  } catch (const pelorin::Failure& failure) {
    std::fprintf(stderr, "conversion_fuzzer: %s: %s\n", failure.class_name(),
                 failure.message().c_str());
    Fail("unexpected failure class", path.name);
  }
  if (!expected) Fail("a short file converted", path.name);
  if (sink.bytes() != *expected) Fail("ICI bytes differ from the reference", path.name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kOptionBytes) return 0;
  const Options options = OptionsFrom(data + size - kOptionBytes);
  const std::string_view tga(reinterpret_cast<const char*>(data), size - kOptionBytes);
  const std::optional<std::string> expected = pelorin::testing::ReferenceConversion(tga);

  pelorin::EncoderPathList paths = pelorin::AllEncoderPaths();
  for (size_t i = 0; i < paths.count; ++i) {
    if (paths.paths[i].supported()) CheckConversion(tga, options, expected, paths.paths[i]);
  }
  return 0;
}
