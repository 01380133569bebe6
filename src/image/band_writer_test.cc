#include "image/band_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/failure.h"
#include "testing/memory_file.h"
#include "testing/reference_ici.h"
#include "testing/temp_dir.h"

namespace pelorin {
namespace {

using testing::kNowhere;
using testing::MakeRandomTga;
using testing::MemorySink;
using testing::MemorySource;
using testing::ReferenceIci;

TEST(LayOutBandsTest, FitsWholeRowsIntoTheBand) {
  struct Case {
    uint16_t width, height;
    uint32_t band_bytes;
    uint32_t band_rows;
  } cases[] = {
      {10, 7, 1 << 20, 7},          // the whole image in one band
      {10, 100, 40 * 25, 25},       // bands filled exactly
      {10, 100, 40 * 25 + 39, 25},  // no partial rows
      {65535, 3, 1 << 18, 1},       // a row wider than the band
      {8192, 8192, 1 << 19, 16},
  };
  for (const Case& c : cases) {
    BandLayout layout = LayOutBands(ImageSize{c.width, c.height}, c.band_bytes);
    EXPECT_EQ(layout.band_rows, c.band_rows) << c.width << "x" << c.height;
  }
}

TEST(WriteBandsTest, GivesTheRowsLastFirstWhateverTheBands) {
  struct Case {
    uint16_t width, height;
    uint32_t band_bytes;
  } cases[] = {
      {7, 5, 1 << 20},    // one band
      {5, 3, 20},         // one row a band
      {9, 7, 4 * 9 * 3},  // a short last band
      {33, 6, 10},        // a band narrower than a row
      {31, 101, 4 * 31 * 4},
      {16, 64, 4 * 16 * 8},
      {1, 300, 4 * 7},  // many one-pixel rows
  };
  for (const Case& c : cases) {
    ImageSize size{c.width, c.height};
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " in bands of " +
                 std::to_string(c.band_bytes) + " bytes");
    std::string tga = MakeRandomTga(c.width, c.height, c.width * 1000u + c.height);
    MemorySource file(tga);
    TgaSource source(file);
    MemorySink sink;
    WriteBands(source, LayOutBands(size, c.band_bytes), sink);
    EXPECT_TRUE(sink.bytes() == ReferenceIci(tga));
  }
}

// A failing read or write ends the image there: the bands before it are
// written, and nothing after it is read.
TEST(WriteBandsTest, StopsAtTheFirstFailure) {
  constexpr uint32_t kWidth = 8, kHeight = 60;
  constexpr uint64_t kTgaRow = uint64_t{4} * kWidth, kIciRow = uint64_t{3} * kWidth;
  // Band i (two rows) holds stored rows 59 - 2i and 58 - 2i.
  auto source_offset_of_band = [&](uint32_t band) {
    return kTgaPixelDataOffset + kTgaRow * (kHeight - 2 - 2 * band) + 3;
  };
  auto output_offset_of_band = [&](uint32_t band) { return kIciRow * 2 * band + 5; };
  struct Case {
    const char* what;
    uint64_t failing_read, failing_write;
    bool read_fails_first;
    uint32_t first_failing_band;
  } cases[] = {
      {"a read", source_offset_of_band(9), kNowhere, true, 9},
      {"a write", kNowhere, output_offset_of_band(4), false, 4},
      {"a write before a read", source_offset_of_band(20), output_offset_of_band(6), false, 6},
      {"a read before a write", source_offset_of_band(3), output_offset_of_band(17), true, 3},
      {"the first band's read", source_offset_of_band(0), kNowhere, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ImageSize size{kWidth, kHeight};
    std::string tga = MakeRandomTga(kWidth, kHeight, 11);
    MemorySource file(tga);
    file.failing_offset = c.failing_read;
    TgaSource source(file);
    MemorySink sink;
    sink.failing_offset = c.failing_write;
    bool read_failed = false, write_failed = false;
    try {
      WriteBands(source, LayOutBands(size, 2 * kTgaRow), sink);
    } catch (const EInOutError& failure) {
      read_failed = failure.code() == MemorySource::kFailingReadCode;
    } catch (const EWriteError&) {
      write_failed = true;
    }
    EXPECT_EQ(read_failed, c.read_fails_first);
    EXPECT_EQ(write_failed, !c.read_fails_first);
    uint64_t good_bytes = kIciRow * 2 * c.first_failing_band;
    EXPECT_EQ(sink.bytes().size(), good_bytes);
    EXPECT_TRUE(sink.bytes() == ReferenceIci(tga).substr(0, good_bytes));
    EXPECT_LE(file.bytes_read, kTgaRow * 2 * (c.first_failing_band + 1));
  }
}

}  // namespace
}  // namespace pelorin
