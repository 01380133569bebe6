// Fuzzes the whole conversion of one TGA file held in memory, and checks
// every result against the tests' reference conversion, which is slow and
// obvious on purpose: one pixel at a time, straight from the definitions.
//
// The input's last three bytes are not part of the file. The first of them
// may rewrite the header's image type, depth and colour-map fields to name
// one of the TGA variants, so that every decoder is reached however rarely
// mutation alone would find it; the other two choose the band size, so that
// small inputs are cut into many bands and every band edge is crossed. The
// file is then converted once with every encoder path this CPU runs.
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
  unsigned variant;  // 0: the header as it is
  uint64_t band_bytes;
};
constexpr size_t kOptionBytes = 3;

Options OptionsFrom(const uint8_t* last_bytes) {
  // 0 to 65535 bytes of pixels a band: from one row a band up to every row
  // of the largest image a few KiB can hold.
  return Options{last_bytes[0], last_bytes[1] + 256u * last_bytes[2]};
}

// Image type, pixel depth and colour-map entry size of every variant.
struct Variant {
  uint8_t image_type, depth, entry_bits;
};
constexpr Variant kVariants[] = {
    {2, 15, 0},  {2, 16, 0}, {2, 24, 0}, {2, 32, 0}, {10, 15, 0}, {10, 16, 0}, {10, 24, 0},
    {10, 32, 0}, {3, 8, 0},  {3, 16, 0}, {11, 8, 0}, {11, 16, 0}, {1, 8, 15},  {1, 8, 16},
    {1, 8, 24},  {1, 8, 32}, {9, 8, 15}, {9, 8, 16}, {9, 8, 24},  {9, 8, 32},
};
constexpr unsigned kVariantCount = sizeof kVariants / sizeof kVariants[0];

// The file with its header rewritten as `variant` (1 to 255) chooses: the
// variant, and for those without an index, whether a colour map is there.
void Rewrite(std::string& tga, unsigned variant) {
  if (variant == 0 || tga.size() < 18) return;
  const Variant& chosen = kVariants[(variant - 1) % kVariantCount];
  const bool with_map = chosen.entry_bits != 0 || (variant - 1) / kVariantCount % 2 == 1;
  tga[1] = with_map ? 1 : 0;
  tga[2] = static_cast<char>(chosen.image_type);
  if (chosen.entry_bits != 0) tga[7] = static_cast<char>(chosen.entry_bits);
  tga[16] = static_cast<char>(chosen.depth);
}

void CheckConversion(std::string_view tga, const Options& options,
                     const std::optional<std::string>& expected, const pelorin::EncoderPath& path) {
  pelorin::testing::MemorySource file{std::string(tga)};
  pelorin::testing::MemorySink sink;

  pelorin::TgaSource source(file);
  try {
    source.ReadHeader();
    source.RequireAllPixels();
    pelorin::WriteIciImage(source, sink, options.band_bytes, path);
  } catch (const pelorin::EInOutError& failure) {
    if (failure.code() != pelorin::kReadBeyondEndOfFile) Fail("unexpected I/O failure", path.name);
    if (expected) Fail("a complete file failed as short", path.name);
    // Only run-length data and colour indices are checked as they are
    // decoded; every other shortfall is found before anything is written.
    const pelorin::TgaLayout& layout = source.layout();
    if (!layout.run_length_encoded && layout.pixel_kind != pelorin::TgaPixelKind::kIndex8 &&
        !sink.empty())
      Fail("a short file had bytes written before it failed", path.name);
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
  std::string tga(reinterpret_cast<const char*>(data), size - kOptionBytes);
  Rewrite(tga, options.variant);
  const std::optional<std::string> expected = pelorin::testing::ReferenceConversion(tga);

  pelorin::EncoderPathList paths = pelorin::AllEncoderPaths();
  for (size_t i = 0; i < paths.count; ++i) {
    if (paths.paths[i].supported()) CheckConversion(tga, options, expected, paths.paths[i]);
  }
  return 0;
}
