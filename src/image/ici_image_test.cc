#include "image/ici_image.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/failure.h"
#include "testing/bytes.h"
#include "testing/case_name.h"
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
  source.ReadHeader();
  source.RequireAllPixels();
  MemorySink sink;
  WriteIciImage(source, sink, band_bytes, ChosenEncoderPath());
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
                         testing::CaseName());

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
    {"AShortLastBand", 9, 7, uint64_t{4} * 9 * 3},
    {"ABandNarrowerThanARow", 33, 6, 10},
    {"ManyBandsWithARemainder", 31, 101, uint64_t{4} * 31 * 4},
    {"BandsThatDivideTheImage", 16, 64, uint64_t{4} * 16 * 8},
    {"ManyOnePixelRows", 1, 300, uint64_t{4} * 7},
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
                         testing::CaseName());

// The writer uses the encoder it is given, whichever the CPU would choose.
TEST(WriteIciImageTest, EncodesWithEveryPathThisCpuRuns) {
  std::string tga = MakeRandomTga(45, 17, 5);
  EncoderPathList paths = AllEncoderPaths();
  for (size_t i = 0; i < paths.count; ++i) {
    if (!paths.paths[i].supported()) continue;
    MemorySource file(tga);
    TgaSource source(file);
    source.ReadHeader();
    MemorySink sink;
    WriteIciImage(source, sink, uint64_t{4} * 45 * 4, paths.paths[i]);
    EXPECT_TRUE(sink.bytes() == ReferenceIci(tga)) << paths.paths[i].name;
  }
}

// A failing read or write ends the image there: the bands before it are
// written, and nothing after it is read.
constexpr uint32_t kFailWidth = 8, kFailHeight = 60;
constexpr uint64_t kFailTgaRow = uint64_t{4} * kFailWidth, kFailIciRow = uint64_t{3} * kFailWidth;
// Band i (two rows) holds stored rows 59 - 2i and 58 - 2i.
constexpr uint64_t SourceOffsetOfBand(uint32_t band) {
  return kTgaHeaderSize + kFailTgaRow * (kFailHeight - 2 - 2 * band) + 3;
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
  source.ReadHeader();
  MemorySink sink;
  sink.failing_offset = c.failing_write;
  bool read_failed = false, write_failed = false;
  try {
    WriteIciImage(source, sink, 2 * kFailTgaRow, ChosenEncoderPath());
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
  EXPECT_LE(file.bytes_read, kTgaHeaderSize + kFailTgaRow * 2 * (c.first_failing_band + 1));
}

INSTANTIATE_TEST_SUITE_P(Faults, WriteIciImageFailureTest, ::testing::ValuesIn(kFailureCases),
                         testing::CaseName());

// Every variant through the writer, uncompressed and run-length encoded,
// in bands of every kind.
struct VariantCase {
  const char* name;
  uint8_t image_type;  // uncompressed; the run-length type is 8 more
  uint8_t depth;
  uint8_t entry_bits;  // a colour map when not 0
};
void PrintTo(const VariantCase& c, std::ostream* out) { *out << c.name; }

const VariantCase kVariantCases[] = {
    {"TrueColour32", 2, 32, 0}, {"TrueColour24", 2, 24, 0}, {"TrueColour16", 2, 16, 0},
    {"TrueColour15", 2, 15, 0}, {"Grey8", 3, 8, 0},         {"GreyAlpha16", 3, 16, 0},
    {"Mapped32", 1, 8, 32},     {"Mapped24", 1, 8, 24},     {"Mapped16", 1, 8, 16},
    {"Mapped15", 1, 8, 15},
};

class WriteIciImageVariantTest
    : public ::testing::TestWithParam<std::tuple<VariantCase, bool, uint64_t>> {
 protected:
  // A width x height image of the variant, its pixels drawn from `seed`,
  // with short runs here and there so that both kinds of packet occur.
  static std::string MakeFile(uint16_t width, uint16_t height, uint32_t seed) {
    const auto& [variant, run_length, band_bytes] = GetParam();
    const size_t pixel_bytes = (variant.depth + 7) / 8;
    std::string stored;
    for (size_t i = 0; i < size_t{width} * height; ++i) {
      std::string value = testing::RandomBytes(pixel_bytes, seed + static_cast<uint32_t>(i / 3));
      // Indices stay inside a map of 200 entries from index 20 on.
      if (variant.entry_bits != 0)
        value[0] = static_cast<char>(20 + static_cast<uint8_t>(value[0]) % 200);
      stored += value;
    }
    testing::TgaFields fields;
    fields.image_type = static_cast<uint8_t>(variant.image_type + (run_length ? 8 : 0));
    fields.depth = variant.depth;
    fields.width = width;
    fields.height = height;
    fields.id = "an ID field";
    std::string map;
    if (variant.entry_bits != 0) {
      fields.map_type = 1;
      fields.map_first = 20;
      fields.map_length = 200;
      fields.entry_bits = variant.entry_bits;
      map = testing::RandomBytes(size_t{200} * ((variant.entry_bits + 7) / 8), seed + 99);
    }
    return testing::MakeTgaFile(
        fields, map, run_length ? testing::RunLengthPackets(stored, pixel_bytes) : stored);
  }
};

TEST_P(WriteIciImageVariantTest, MatchesThePlainDefinition) {
  const uint64_t band_bytes = std::get<2>(GetParam());
  for (auto [width, height] : {std::pair<uint16_t, uint16_t>{1, 1}, {7, 5}, {33, 17}, {300, 2}}) {
    std::string tga = MakeFile(width, height, width * 7u + height);
    std::optional<std::string> expected = testing::ReferenceConversion(tga);
    ASSERT_TRUE(expected) << width << "x" << height;
    EXPECT_TRUE(Convert(tga + "trailing bytes", band_bytes) == *expected) << width << "x" << height;
  }
}

INSTANTIATE_TEST_SUITE_P(Variants, WriteIciImageVariantTest,
                         ::testing::Combine(::testing::ValuesIn(kVariantCases), ::testing::Bool(),
                                            ::testing::Values(uint64_t{1}, uint64_t{4 * 33 * 3 + 1},
                                                              kBandBytes)),
                         [](const auto& info) {
                           const uint64_t band_bytes = std::get<2>(info.param);
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) ? "RunLength" : "Uncompressed") +
                                  (band_bytes == 1            ? "OneRowABand"
                                   : band_bytes == kBandBytes ? "OneBand"
                                                              : "ThreeRowsABand");
                         });

// A run-length stream is decoded from its first stored row, which goes at
// the end of the ICI file: its bands are written from the back. An
// uncompressed image is read from its last band and written from the front.
TEST(WriteIciImageTest, WritesRunLengthBandsFromTheBack) {
  const std::string stored = testing::RandomBytes(size_t{4} * 6 * 10, 3);
  testing::TgaFields fields;
  fields.width = 6;
  fields.height = 10;
  fields.image_type = 10;
  const std::string run_length =
      testing::MakeTgaFile(fields, "", testing::RunLengthPackets(stored, 4));
  fields.image_type = 2;
  const std::string uncompressed = testing::MakeTgaFile(fields, "", stored);
  const uint64_t ici_band = uint64_t{3} * 6 * 4;  // four rows a band
  for (const std::string* tga : {&run_length, &uncompressed}) {
    MemorySource file(*tga);
    TgaSource source(file);
    source.ReadHeader();
    MemorySink sink;
    WriteIciImage(source, sink, uint64_t{4} * 6 * 4, ChosenEncoderPath());
    EXPECT_TRUE(sink.bytes() == ReferenceIci(uncompressed));
    if (tga == &run_length)
      EXPECT_EQ(sink.write_offsets, (std::vector<uint64_t>{2 * ici_band - uint64_t{3} * 6 * 2,
                                                           ici_band - uint64_t{3} * 6 * 2, 0}));
    else
      EXPECT_EQ(sink.write_offsets, (std::vector<uint64_t>{0, ici_band, 2 * ici_band}));
  }
}

struct BadDataCase {
  const char* name;
  std::string tga;
};
void PrintTo(const BadDataCase& c, std::ostream* out) { *out << c.name; }

testing::TgaFields MappedFields(uint8_t image_type) {
  testing::TgaFields fields = testing::MappedFields(4, 3, 2);
  fields.image_type = image_type;
  fields.map_first = 10;
  return fields;
}

testing::TgaFields RunLengthFields() { return testing::VariantFields(10, 32, 4, 3); }

// Found only as the pixels are decoded: after the size check, maybe after
// some bands were written, which the program then throws away.
const BadDataCase kBadDataCases[] = {
    {"IndexBelowTheMap",
     testing::MakeTgaFile(MappedFields(1), std::string(6, 'm'),
                          Bytes({10, 11, 10, 11, 10, 11, 10, 11, 10, 9, 10, 11}))},
    {"IndexPastTheMap",
     testing::MakeTgaFile(MappedFields(1), std::string(6, 'm'),
                          Bytes({12, 11, 10, 11, 10, 11, 10, 11, 10, 11, 10, 11}))},
    {"RunLengthIndexPastTheMap",
     testing::MakeTgaFile(MappedFields(9), std::string(6, 'm'), Bytes({0x8A, 10, 0x80, 12}))},
    {"RunLengthPacketsEndEarly",
     testing::MakeTgaFile(RunLengthFields(), "", Bytes({0x8A, 1, 2, 3, 4}))},
    {"RunLengthRawPacketCutShort",
     testing::MakeTgaFile(RunLengthFields(), "", Bytes({0x89, 1, 2, 3, 4, 0x01, 5, 6, 7, 8, 9}))},
};

class WriteIciImageBadDataTest : public ::testing::TestWithParam<BadDataCase> {};

TEST_P(WriteIciImageBadDataTest, IsReadBeyondEndOfFile) {
  ASSERT_FALSE(testing::ReferenceConversion(GetParam().tga));
  MemorySource file(GetParam().tga);
  TgaSource source(file);
  source.ReadHeader();
  source.RequireAllPixels();
  MemorySink sink;
  try {
    WriteIciImage(source, sink, uint64_t{4} * 4, ChosenEncoderPath());
    ADD_FAILURE() << "converted";
  } catch (const EInOutError& failure) {
    EXPECT_EQ(failure.code(), kReadBeyondEndOfFile);
  }
}

INSTANTIATE_TEST_SUITE_P(Files, WriteIciImageBadDataTest, ::testing::ValuesIn(kBadDataCases),
                         testing::CaseName());

}  // namespace
}  // namespace pelorin
