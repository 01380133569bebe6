#include "image/tga_source.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "testing/bytes.h"
#include "testing/case_name.h"
#include "testing/memory_file.h"
#include "testing/tga_fixture.h"

namespace pelorin {
namespace {

using testing::Bytes;
using testing::MakeTga;
using testing::MakeTgaFile;
using testing::MemorySource;
using testing::TgaFields;
using testing::VariantFields;

// Expects `action` to raise "Read beyond end of file".
template <typename Action>
void ExpectReadBeyondEnd(Action action) {
  try {
    action();
    ADD_FAILURE() << "no failure raised";
  } catch (const EInOutError& failure) {
    EXPECT_EQ(failure.code(), kReadBeyondEndOfFile);
    EXPECT_EQ(failure.message(), "Read beyond end of file");
  }
}

TEST(TgaSourceTest, ReadsWidthAndHeightLittleEndian) {
  std::string header(18, '\0');
  header[12] = '\x40';
  header[13] = '\x01';
  header[14] = '\xF0';
  header[15] = '\x00';
  MemorySource file(header);
  ImageSize size = TgaSource(file).ReadHeader().size;
  EXPECT_EQ(size.width, 320);
  EXPECT_EQ(size.height, 240);

  MemorySource largest(MakeTga(65535, 65535, ""));
  size = TgaSource(largest).ReadHeader().size;
  EXPECT_EQ(size.width, 65535);
  EXPECT_EQ(size.height, 65535);
}

struct EmptyCase {
  const char* name;
  std::string file;
};
void PrintTo(const EmptyCase& c, std::ostream* out) { *out << c.name; }

// An image without pixels needs its size fields and nothing else: no pixel
// data, no colour map, not even the rest of the header.
const EmptyCase kEmptyCases[] = {
    {"ZeroByZeroIn16Bytes", MakeTga(0, 0, "").substr(0, 16)},
    {"ZeroWidthIn16Bytes", MakeTga(0, 9, "").substr(0, 16)},
    {"ZeroHeightIn16Bytes", MakeTga(9, 0, "").substr(0, 16)},
    {"RunLengthZeroWidth", MakeTgaFile(VariantFields(10, 32, 0, 500), "", "")},
    {"MappedZeroHeightWithoutItsMap",
     [] {
       TgaFields fields = VariantFields(1, 8, 500, 0);
       fields.map_type = 1;
       fields.map_length = 256;
       fields.entry_bits = 24;
       return MakeTgaFile(fields, "", "");
     }()},
};

class TgaSourceEmptyTest : public ::testing::TestWithParam<EmptyCase> {};

TEST_P(TgaSourceEmptyTest, NeedsNothingBeyondTheSize) {
  MemorySource file(GetParam().file);
  TgaSource source(file);
  ImageSize size = source.ReadHeader().size;
  EXPECT_TRUE(size.width == 0 || size.height == 0);
  source.RequireAllPixels();
}

INSTANTIATE_TEST_SUITE_P(Images, TgaSourceEmptyTest, ::testing::ValuesIn(kEmptyCases),
                         testing::CaseName());

TEST(TgaSourceTest, AHeaderCutShortOfTheSizeFieldsIsReadBeyondEnd) {
  for (size_t length : {0u, 1u, 12u, 15u}) {
    MemorySource file(std::string(length, '\0'));
    ExpectReadBeyondEnd([&] { TgaSource(file).ReadHeader(); });
  }
}

struct SizeCase {
  const char* name;
  std::string file;  // complete: every pixel there, and nothing after
};
void PrintTo(const SizeCase& c, std::ostream* out) { *out << c.name; }

TgaFields WithId(TgaFields fields, const std::string& id) {
  fields.id = id;
  return fields;
}

TgaFields WithMap(TgaFields fields, uint16_t length, uint8_t entry_bits) {
  fields.map_type = 1;
  fields.map_length = length;
  fields.entry_bits = entry_bits;
  return fields;
}

const SizeCase kSizeCases[] = {
    {"Classic", MakeTga(3, 2, std::string(24, 'p'))},
    {"ClassicWithId",
     MakeTgaFile(WithId(VariantFields(2, 32, 3, 2), "an ID"), "", std::string(24, 'p'))},
    {"ClassicWithMap", MakeTgaFile(WithMap(VariantFields(2, 32, 3, 2), 3, 24), std::string(9, 'm'),
                                   std::string(24, 'p'))},
    {"TrueColour24", MakeTgaFile(VariantFields(2, 24, 3, 2), "", std::string(18, 'p'))},
    {"TrueColour15", MakeTgaFile(VariantFields(2, 15, 3, 2), "", std::string(12, 'p'))},
    {"Grey8", MakeTgaFile(VariantFields(3, 8, 3, 2), "", std::string(6, 'p'))},
    {"GreyAlpha16", MakeTgaFile(WithId(VariantFields(3, 16, 3, 2), "x"), "", std::string(12, 'p'))},
    {"Mapped", MakeTgaFile(WithMap(VariantFields(1, 8, 3, 2), 2, 15), std::string(4, 'm'),
                           std::string(6, '\0'))},
};

class TgaSourceSizeTest : public ::testing::TestWithParam<SizeCase> {};

// Uncompressed pixels are counted from where they begin, after the ID field
// and the colour map; a file one byte short fails before any work.
TEST_P(TgaSourceSizeTest, RequiresExactlyTheBytesTheHeaderPromises) {
  const std::string& tga = GetParam().file;
  MemorySource exact(tga);
  TgaSource source(exact);
  EXPECT_EQ(TgaFileSizeFor(source.ReadHeader()), tga.size());
  source.RequireAllPixels();

  MemorySource longer(tga + "TRUEVISION-XFILE.");
  TgaSource longer_source(longer);
  longer_source.ReadHeader();
  longer_source.RequireAllPixels();

  MemorySource one_byte_short(tga.substr(0, tga.size() - 1));
  TgaSource short_source(one_byte_short);
  short_source.ReadHeader();
  ExpectReadBeyondEnd([&] { short_source.RequireAllPixels(); });
}

INSTANTIATE_TEST_SUITE_P(Variants, TgaSourceSizeTest, ::testing::ValuesIn(kSizeCases),
                         testing::CaseName());

TEST(TgaSourceTest, AGiantHeaderOnATinyFileFailsWithoutReading) {
  for (uint8_t depth : {32, 24, 16}) {
    MemorySource file(MakeTgaFile(VariantFields(2, depth, 65535, 65535), "", "ab"));
    TgaSource source(file);
    source.ReadHeader();
    ExpectReadBeyondEnd([&] { source.RequireAllPixels(); });
    EXPECT_EQ(file.bytes_read, 18u);
  }
}

// Run-length data cannot be measured up front, but a colour map can.
TEST(TgaSourceTest, AColourMapCutShortFailsUpFront) {
  const TgaFields fields = WithMap(VariantFields(9, 8, 4, 4), 10, 32);
  const std::string whole_map(40, 'm');
  MemorySource complete(MakeTgaFile(fields, whole_map, ""));
  TgaSource source(complete);
  source.ReadHeader();
  source.RequireAllPixels();

  MemorySource cut(MakeTgaFile(fields, whole_map.substr(0, 39), ""));
  TgaSource cut_source(cut);
  cut_source.ReadHeader();
  ExpectReadBeyondEnd([&] { cut_source.RequireAllPixels(); });
}

TEST(TgaSourceTest, ReadsRowsAsStoredFromWhereThePixelsBegin) {
  std::string pixels;
  for (int i = 0; i < 2 * 2 * 3; ++i) pixels += static_cast<char>(i);
  MemorySource file(
      MakeTgaFile(WithMap(WithId(VariantFields(2, 24, 2, 2), "id"), 1, 16), "mm", pixels));
  TgaSource source(file);
  EXPECT_EQ(source.ReadHeader().pixel_offset, 18u + 2 + 2);
  std::vector<uint8_t> row(6);
  source.ReadRows(1, 1, row.data());
  EXPECT_EQ(row, (std::vector<uint8_t>{6, 7, 8, 9, 10, 11}));
}

// A file whose header names no variant keeps the old reading: pixels of 4
// bytes from byte 18 on, whatever its ID length, colour map and depth say.
TEST(TgaSourceTest, AFileOfNoVariantIsReadFromByteEighteen) {
  std::string pixels;
  for (int i = 0; i < 2 * 2 * 4; ++i) pixels += static_cast<char>(i);
  std::string tga = MakeTga(2, 2, pixels);
  tga[0] = 5;   // an ID length
  tga[1] = 1;   // a colour map
  tga[16] = 7;  // a depth no type allows
  MemorySource file(tga);
  TgaSource source(file);
  source.ReadHeader();
  source.RequireAllPixels();
  std::vector<uint8_t> row(8);
  source.ReadRows(1, 1, row.data());
  EXPECT_EQ(row, (std::vector<uint8_t>{8, 9, 10, 11, 12, 13, 14, 15}));
}

TEST(TgaSourceTest, ARowThatShrankAwayAfterTheCheckIsReadBeyondEnd) {
  MemorySource file(MakeTga(2, 2, std::string(16, 'p')));
  TgaSource source(file);
  source.ReadHeader();
  source.RequireAllPixels();
  file.bytes().resize(file.bytes().size() - 1);
  std::vector<uint8_t> row(8);
  source.ReadRows(0, 1, row.data());
  ExpectReadBeyondEnd([&] { source.ReadRows(1, 1, row.data()); });
}

TEST(TgaSourceTest, ReadsTheReachablePartOfTheColourMap) {
  TgaFields fields = WithMap(VariantFields(1, 8, 1, 1), 3, 24);
  fields.map_first = 254;  // entries 0 and 1 are indices 254 and 255
  MemorySource file(MakeTgaFile(fields, Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9}), Bytes({255})));
  TgaSource source(file);
  source.ReadHeader();
  source.RequireAllPixels();
  ColourTable table = source.ReadColourTable();
  EXPECT_TRUE(table.present[254]);
  EXPECT_TRUE(table.present[255]);
  EXPECT_FALSE(table.present[253]);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(table.bgra[255]), 4), Bytes({4, 5, 6, 0xFF}));
}

}  // namespace
}  // namespace pelorin
