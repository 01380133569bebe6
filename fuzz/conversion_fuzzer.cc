// Fuzzes the whole conversion of one TGA file held in memory, and checks
// every result against a reference encoder that is slow and obvious on
// purpose: one pixel at a time, straight from the formula, rows last to
// first.
//
// Any input must end in exactly one of two ways:
//   - the file is shorter than its header promises, and the conversion fails
//     with EInOutError 100 "Read beyond end of file" before anything is
//     written;
//   - the conversion succeeds, and its bytes equal the reference's.
// Any other failure, a crash or a difference aborts.
//
// Nothing is capped: a header may promise 65535 x 65535 pixels over a
// 20-byte input, and must then fail at once without allocating for them.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "image/ici_image.h"
#include "image/tga_source.h"
#include "platform/failure.h"
#include "testing/memory_file.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "conversion_fuzzer: %s\n", what);
  std::abort();
}

unsigned Little16(const uint8_t* data) { return data[0] + 256u * data[1]; }

// What the conversion of `data` must give: false for a short file,
// otherwise true with the ICI bytes in `ici`.
bool ReferenceConversion(const uint8_t* data, size_t size, std::string& ici) {
  if (size < 16) return false;
  uint64_t width = Little16(data + 12);
  uint64_t height = Little16(data + 14);
  if (width == 0 || height == 0) return true;
  if (size < 18 + 4 * width * height) return false;
  for (uint64_t row = height; row-- > 0;) {
    for (uint64_t column = 0; column < width; ++column) {
      const uint8_t* pixel = data + 18 + 4 * (row * width + column);
      unsigned blue = pixel[0], green = pixel[1], red = pixel[2], alpha = pixel[3];
      unsigned value = (red / 8) * 2048 + (green / 4) * 32 + blue / 8;
      ici.push_back(static_cast<char>(value % 256));
      ici.push_back(static_cast<char>(value / 256));
      ici.push_back(static_cast<char>(alpha / 8));
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string expected;
  bool expect_success = ReferenceConversion(data, size, expected);

  pelorin::testing::MemorySource file(std::string(reinterpret_cast<const char*>(data), size));
  pelorin::testing::MemorySink sink;
  try {
    pelorin::TgaSource source(file);
    pelorin::ImageSize image_size = source.ReadImageSize();
    source.RequireAllPixels(image_size);
    pelorin::WriteIciImage(source, image_size, sink);
  } catch (const pelorin::EInOutError& failure) {
    if (failure.code() != pelorin::kReadBeyondEndOfFile) Fail("unexpected I/O failure code");
    if (expect_success) Fail("a complete file failed as short");
    if (!sink.bytes().empty()) Fail("a short file had bytes written before it failed");
    return 0;
  } catch (const pelorin::Failure& failure) {
    std::fprintf(stderr, "conversion_fuzzer: %s: %s\n", failure.class_name(),
                 failure.message().c_str());
    Fail("unexpected failure class");
  }
  if (!expect_success) Fail("a short file converted");
  if (sink.bytes() != expected) Fail("ICI bytes differ from the reference");
  return 0;
}
