#include "image/band_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "image/ici_encode.h"
#include "platform/failure.h"

namespace pelorin {
namespace {

// An offset no read or write reaches.
constexpr uint64_t kNowhere = UINT64_MAX;

// A TGA file in memory. A read that covers `failing_offset` raises an I/O
// error, as a failing disk would. Reads may come from any thread.
class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

  uint64_t failing_offset = kNowhere;
  std::atomic<uint64_t> bytes_read{0};

  uint64_t Size() override { return bytes_.size(); }
  size_t ReadAt(uint64_t offset, uint8_t* into, size_t count) override {
    if (offset <= failing_offset && failing_offset - offset < count) throw EInOutError(23);
    if (offset >= bytes_.size()) return 0;
    size_t got = static_cast<size_t>(std::min<uint64_t>(count, bytes_.size() - offset));
    auto first = bytes_.begin() + static_cast<std::ptrdiff_t>(offset);
    std::copy(first, first + static_cast<std::ptrdiff_t>(got), into);
    bytes_read += got;
    return got;
  }

 private:
  std::vector<uint8_t> bytes_;
};

// Output in memory, written in order or, if `takes_offsets`, at offsets
// from any thread. A write that covers `failing_offset` fails, as on a
// full disk.
class MemorySink : public ByteSink {
 public:
  explicit MemorySink(bool takes_offsets) : takes_offsets_(takes_offsets) {}

  uint64_t failing_offset = kNowhere;

  void Write(const uint8_t* bytes, size_t count) override {
    WriteAt(end_of_ordered_writes_, bytes, count);
    end_of_ordered_writes_ += count;
  }
  bool TakesWritesAtOffsets() const override { return takes_offsets_; }
  void WriteAt(uint64_t offset, const uint8_t* bytes, size_t count) override {
    if (offset <= failing_offset && failing_offset - offset < count) throw EWriteError();
    std::lock_guard<std::mutex> lock(mutex_);
    if (bytes_.size() < offset + count) {
      bytes_.resize(offset + count);
      written_.resize(offset + count);
    }
    auto at = static_cast<std::ptrdiff_t>(offset);
    std::copy(bytes, bytes + count, bytes_.begin() + at);
    std::fill_n(written_.begin() + at, count, true);
  }

  const std::vector<uint8_t>& bytes() const { return bytes_; }
  // How many bytes from the start were all written.
  size_t WrittenPrefix() const {
    return std::find(written_.begin(), written_.end(), false) - written_.begin();
  }

 private:
  bool takes_offsets_;
  uint64_t end_of_ordered_writes_ = 0;
  std::mutex mutex_;
  std::vector<uint8_t> bytes_;
  std::vector<bool> written_;
};

std::vector<uint8_t> RandomTga(ImageSize size, uint32_t seed) {
  std::vector<uint8_t> file(kTgaPixelDataOffset + 4ull * size.width * size.height);
  file[12] = static_cast<uint8_t>(size.width);
  file[13] = static_cast<uint8_t>(size.width >> 8);
  file[14] = static_cast<uint8_t>(size.height);
  file[15] = static_cast<uint8_t>(size.height >> 8);
  std::mt19937 generator(seed);
  for (size_t i = kTgaPixelDataOffset; i < file.size(); ++i)
    file[i] = static_cast<uint8_t>(generator());
  return file;
}

// The ICI image made the plainest way: stored rows last to first, each
// encoded by the portable encoder.
std::vector<uint8_t> ExpectedIci(const std::vector<uint8_t>& tga, ImageSize size) {
  std::vector<uint8_t> ici(3ull * size.width * size.height);
  for (uint32_t i = 0; i < size.height; ++i) {
    uint32_t stored_row = size.height - 1 - i;
    EncodePixelsPortable(tga.data() + kTgaPixelDataOffset + 4ull * size.width * stored_row,
                         size.width, ici.data() + 3ull * size.width * i);
  }
  return ici;
}

TEST(LayOutBandsTest, FitsWholeRowsIntoTheBand) {
  struct Case {
    uint16_t width, height;
    uint32_t band_bytes;
    uint32_t band_rows, band_count;
  } cases[] = {
      {10, 7, 1 << 20, 7, 1},          // the whole image in one band
      {10, 100, 40 * 25, 25, 4},       // bands filled exactly
      {10, 101, 40 * 25, 25, 5},       // a last band of one row
      {10, 100, 40 * 25 + 39, 25, 4},  // no partial rows
      {65535, 3, 1 << 18, 1, 3},       // a row wider than the band
      {8192, 8192, 1 << 19, 16, 512},
  };
  for (const Case& c : cases) {
    BandLayout layout = LayOutBands(ImageSize{c.width, c.height}, c.band_bytes);
    EXPECT_EQ(layout.band_rows, c.band_rows) << c.width << "x" << c.height;
    EXPECT_EQ(layout.band_count, c.band_count) << c.width << "x" << c.height;
  }
}

TEST(ChooseBandWritingTest, UsesTwoThreadsOnlyWhereTheyCanHelp) {
  MemorySink ordered(false), offsets(true);
  constexpr uint64_t kTenRows = 4000;                            // of 100 pixels
  BandLayout few = LayOutBands(ImageSize{100, 30}, kTenRows);    // 3 bands
  BandLayout many = LayOutBands(ImageSize{100, 400}, kTenRows);  // 40 bands
  EXPECT_EQ(ChooseBandWriting(few, offsets), BandWriting::kInOrder);
  EXPECT_EQ(ChooseBandWriting(many, ordered), BandWriting::kInOrder);
  EXPECT_EQ(ChooseBandWriting(many, offsets), std::thread::hardware_concurrency() >= 2
                                                  ? BandWriting::kTwoThreads
                                                  : BandWriting::kInOrder);
}

class WriteBandsTest : public ::testing::TestWithParam<BandWriting> {
 protected:
  static MemorySink MakeSink() { return MemorySink(GetParam() == BandWriting::kTwoThreads); }
};

TEST_P(WriteBandsTest, GivesTheRowsLastFirstWhateverTheBands) {
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
    std::vector<uint8_t> tga = RandomTga(size, c.width * 1000u + c.height);
    MemorySource file(tga);
    TgaSource source(file);
    MemorySink sink = MakeSink();
    WriteBands(source, LayOutBands(size, c.band_bytes), sink, GetParam());
    EXPECT_EQ(sink.bytes(), ExpectedIci(tga, size));
  }
}

// When bands fail, the failure raised is that of the first failing band,
// and every band before it has been written, as in a run in order.
TEST_P(WriteBandsTest, RaisesTheFailureOfTheFirstFailingBand) {
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
    std::vector<uint8_t> tga = RandomTga(size, 11);
    MemorySource file(tga);
    file.failing_offset = c.failing_read;
    TgaSource source(file);
    MemorySink sink = MakeSink();
    sink.failing_offset = c.failing_write;
    bool read_failed = false, write_failed = false;
    try {
      WriteBands(source, LayOutBands(size, 2 * kTgaRow), sink, GetParam());
    } catch (const EInOutError& failure) {
      read_failed = failure.code() == 23;
    } catch (const EWriteError&) {
      write_failed = true;
    }
    EXPECT_EQ(read_failed, c.read_fails_first);
    EXPECT_EQ(write_failed, !c.read_fails_first);
    uint64_t good_bytes = kIciRow * 2 * c.first_failing_band;
    ASSERT_GE(sink.WrittenPrefix(), good_bytes);
    std::vector<uint8_t> expected = ExpectedIci(tga, size);
    EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + good_bytes, sink.bytes().begin()));
  }
}

// After a failure near the start, the rest of a large image is not read.
TEST_P(WriteBandsTest, StopsAtAFailure) {
  ImageSize size{64, 1000};
  MemorySource file(RandomTga(size, 3));
  TgaSource source(file);
  MemorySink sink = MakeSink();
  constexpr uint64_t kRowBytes = 256;  // 64 pixels
  sink.failing_offset = 192;           // the first byte of the second band
  EXPECT_THROW(WriteBands(source, LayOutBands(size, kRowBytes), sink, GetParam()), EWriteError);
  EXPECT_LT(file.bytes_read.load(), 4u * 64 * 10);
}

INSTANTIATE_TEST_SUITE_P(BothWays, WriteBandsTest,
                         ::testing::Values(BandWriting::kInOrder, BandWriting::kTwoThreads),
                         [](const ::testing::TestParamInfo<BandWriting>& info) {
                           return std::string(info.param == BandWriting::kInOrder ? "InOrder"
                                                                                  : "TwoThreads");
                         });

}  // namespace
}  // namespace pelorin
