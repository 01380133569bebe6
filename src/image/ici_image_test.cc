#include "image/ici_image.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "platform/failure.h"
#include "testing/bytes.h"
#include "testing/memory_file.h"
#include "testing/reference_ici.h"
#include "testing/tga_fixture.h"

namespace pelorin {
namespace {

using testing::Bytes;
using testing::kNowhere;
using testing::MakeRandomTga;
using testing::MakeTga;
using testing::MemorySink;
using testing::MemorySource;
using testing::ReferenceIci;

// The whole ICI image of `tga`, as the program streams it.
std::string Convert(const std::string& tga, uint64_t band_bytes = kBandBytes) {
  MemorySource file(tga);
  TgaSource source(file);
  ImageSize size = source.ReadImageSize();
  source.RequireAllPixels(size);
  MemorySink sink;
  WriteIciImage(source, size, sink, band_bytes, ChosenEncoderPath());
  return sink.bytes();
}

struct BandLayoutCase {
  const char* name;
  uint16_t width, height;
  uint32_t band_bytes;
  uint32_t band_rows;
};
void PrintTo(const BandLayoutCase& c, std::ostream* out) { *out << c.name; }

const BandLayoutCase kBandLayoutCases[] = {
    {"WholeImageInOneBand", 10, 7, 1 << 20, 7},
    {"BandsFilledExactly", 10, 100, 40 * 25, 25},
    {"NoPartialRows", 10, 100, 40 * 25 + 39, 25},
    {"RowWiderThanTheBand", 65535, 3, 1 << 18, 1},
    {"TheProgramsBandsOnALargeImage", 8192, 8192, 1 << 19, 16},
};

class LayOutBandsTest : public ::testing::TestWithParam<BandLayoutCase> {};

TEST_P(LayOutBandsTest, FitsWholeRowsIntoTheBand) {
  const BandLayoutCase& c = GetParam();
  EXPECT_EQ(LayOutBands(ImageSize{c.width, c.height}, c.band_bytes).band_rows, c.band_rows);
}

INSTANTIATE_TEST_SUITE_P(Shapes, LayOutBandsTest, ::testing::ValuesIn(kBandLayoutCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WriteIciImageTest, PutsTheLastStoredRowFirst) {
  std::string p0 = Bytes({0x00, 0x00, 0xFF, 0xFF}), p1 = Bytes({0x00, 0xFF, 0x00, 0xFF});
  std::string p2 = Bytes({0xFF, 0x00, 0x00, 0xFF}), p3 = Bytes({0x10, 0x20, 0x30, 0x40});
  EXPECT_EQ(Convert(MakeTga(2, 2, p0 + p1 + p2 + p3)),
            Bytes({0x1F, 0x00, 0x1F, 0x02, 0x31, 0x08, 0x00, 0xF8, 0x1F, 0xE0, 0x07, 0x1F}));
}

TEST(WriteIciImageTest, AnImageWithoutPixelsIsEmpty) {
  EXPECT_EQ(Convert(MakeTga(0, 0, "")), "");
  EXPECT_EQ(Convert(MakeTga(0, 500, "")), "");
  EXPECT_EQ(Convert(MakeTga(500, 0, "")), "");
}

struct ShapeCase {
  const char* name;
  uint16_t width, height;
  uint64_t band_bytes;
};
void PrintTo(const ShapeCase& c, std::ostream* out) { *out << c.name; }

const ShapeCase kShapeCases[] = {
    {"OnePixel", 1, 1, kBandBytes},
    {"OneBand", 7, 5, 1 << 20},
    {"OneRowABand", 5, 3, 20},
    {"AShortLastBand", 9, 7, 4 * 9 * 3},
    {"ABandNarrowerThanARow", 33, 6, 10},
    {"ManyBandsWithARemainder", 31, 101, 4 * 31 * 4},
    {"BandsThatDivideTheImage", 16, 64, 4 * 16 * 8},
    {"ManyOnePixelRows", 1, 300, 4 * 7},
    {"TallestImageOfTheProgram", 1, 65535, kBandBytes},
    {"SeveralBandsOfTheProgram", 1000, 600, kBandBytes},
    {"WidestRowsOfTheProgram", 65535, 5, kBandBytes},
    {"NarrowAndTallOfTheProgram", 7, 40000, kBandBytes},
};

class WriteIciImageShapeTest : public ::testing::TestWithParam<ShapeCase> {};

// Whatever the bands, the result is the pixel-by-pixel definition, and
// bytes after the last pixel are never read.
TEST_P(WriteIciImageShapeTest, MatchesThePlainDefinition) {
  const ShapeCase& c = GetParam();
  std::string tga = MakeRandomTga(c.width, c.height, c.width * 1000u + c.height);
  std::string ici = Convert(tga + "trailing bytes are never read", c.band_bytes);
  EXPECT_EQ(ici.size(), 3ull * c.width * c.height);
  EXPECT_TRUE(ici == ReferenceIci(tga));
}

INSTANTIATE_TEST_SUITE_P(Shapes, WriteIciImageShapeTest, ::testing::ValuesIn(kShapeCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The writer uses the encoder it is given, whichever the CPU would choose.
TEST(WriteIciImageTest, EncodesWithEveryPathThisCpuRuns) {
  std::string tga = MakeRandomTga(45, 17, 5);
  EncoderPathList paths = AllEncoderPaths();
  for (size_t i = 0; i < paths.count; ++i) {
    if (!paths.paths[i].supported()) continue;
    MemorySource file(tga);
    TgaSource source(file);
    MemorySink sink;
    WriteIciImage(source, ImageSize{45, 17}, sink, 4 * 45 * 4, paths.paths[i]);
    EXPECT_TRUE(sink.bytes() == ReferenceIci(tga)) << paths.paths[i].name;
  }
}

// A failing read or write ends the image there: the bands before it are
// written, and nothing after it is read.
constexpr uint32_t kFailWidth = 8, kFailHeight = 60;
constexpr uint64_t kFailTgaRow = uint64_t{4} * kFailWidth, kFailIciRow = uint64_t{3} * kFailWidth;
// Band i (two rows) holds stored rows 59 - 2i and 58 - 2i.
constexpr uint64_t SourceOffsetOfBand(uint32_t band) {
  return kTgaPixelDataOffset + kFailTgaRow * (kFailHeight - 2 - 2 * band) + 3;
}
constexpr uint64_t OutputOffsetOfBand(uint32_t band) { return kFailIciRow * 2 * band + 5; }

struct FailureCase {
  const char* name;
  uint64_t failing_read, failing_write;
  bool read_fails_first;
  uint32_t first_failing_band;
};
void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

const FailureCase kFailureCases[] = {
    {"ARead", SourceOffsetOfBand(9), kNowhere, true, 9},
    {"AWrite", kNowhere, OutputOffsetOfBand(4), false, 4},
    {"AWriteBeforeARead", SourceOffsetOfBand(20), OutputOffsetOfBand(6), false, 6},
    {"AReadBeforeAWrite", SourceOffsetOfBand(3), OutputOffsetOfBand(17), true, 3},
    {"TheFirstBandsRead", SourceOffsetOfBand(0), kNowhere, true, 0},
};

class WriteIciImageFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(WriteIciImageFailureTest, StopsAtTheFirstFailure) {
  const FailureCase& c = GetParam();
  std::string tga = MakeRandomTga(kFailWidth, kFailHeight, 11);
  MemorySource file(tga);
  file.failing_offset = c.failing_read;
  TgaSource source(file);
  MemorySink sink;
  sink.failing_offset = c.failing_write;
  bool read_failed = false, write_failed = false;
  try {
    WriteIciImage(source, ImageSize{kFailWidth, kFailHeight}, sink, 2 * kFailTgaRow,
                  ChosenEncoderPath());
  } catch (const EInOutError& failure) {
    read_failed = failure.code() == MemorySource::kFailingReadCode;
  } catch (const EWriteError&) {
    write_failed = true;
  }
  EXPECT_EQ(read_failed, c.read_fails_first);
  EXPECT_EQ(write_failed, !c.read_fails_first);
  uint64_t good_bytes = kFailIciRow * 2 * c.first_failing_band;
  EXPECT_EQ(sink.bytes().size(), good_bytes);
  EXPECT_TRUE(sink.bytes() == ReferenceIci(tga).substr(0, good_bytes));
  EXPECT_LE(file.bytes_read, kFailTgaRow * 2 * (c.first_failing_band + 1));
}

INSTANTIATE_TEST_SUITE_P(Faults, WriteIciImageFailureTest, ::testing::ValuesIn(kFailureCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelorin
