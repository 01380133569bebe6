#include "image/tga_format.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "testing/case_name.h"
#include "testing/tga_fixture.h"

namespace pelorin {
namespace {

using testing::MakeTgaFile;
using testing::TgaFields;

constexpr TgaPixelKind kLegacy = TgaPixelKind::kBgra32;

struct LayoutCase {
  const char* name;
  TgaFields fields;
  TgaPixelKind kind;
  bool run_length;
  uint64_t pixel_offset;
};
void PrintTo(const LayoutCase& c, std::ostream* out) { *out << c.name; }

TgaFields Fields(uint8_t image_type, uint8_t depth, uint8_t map_type = 0, uint16_t map_length = 0,
                 uint8_t entry_bits = 0, std::string id = "") {
  TgaFields fields;
  fields.image_type = image_type;
  fields.depth = depth;
  fields.map_type = map_type;
  fields.map_length = map_length;
  fields.entry_bits = entry_bits;
  fields.id = std::move(id);
  fields.width = 3;
  fields.height = 2;
  return fields;
}

const LayoutCase kLayoutCases[] = {
    // The classic file, and its pixels after the ID field and a colour map.
    {"Classic", Fields(2, 32), TgaPixelKind::kBgra32, false, 18},
    {"ClassicWithId", Fields(2, 32, 0, 0, 0, "Truevision(R) Sample Image"), TgaPixelKind::kBgra32,
     false, 18 + 26},
    {"ClassicWithUnusedMap", Fields(2, 32, 1, 10, 24, "id"), TgaPixelKind::kBgra32, false,
     18 + 2 + 30},
    // True colour.
    {"TrueColour24", Fields(2, 24), TgaPixelKind::kBgr24, false, 18},
    {"TrueColour16", Fields(2, 16), TgaPixelKind::kRgb15, false, 18},
    {"TrueColour15", Fields(2, 15), TgaPixelKind::kRgb15, false, 18},
    {"TrueColour15MapOf15BitEntries", Fields(2, 15, 1, 3, 15), TgaPixelKind::kRgb15, false, 18 + 6},
    {"RunLength32", Fields(10, 32), TgaPixelKind::kBgra32, true, 18},
    {"RunLength24WithId", Fields(10, 24, 0, 0, 0, "abc"), TgaPixelKind::kBgr24, true, 21},
    {"RunLength16", Fields(10, 16), TgaPixelKind::kRgb15, true, 18},
    // Greyscale.
    {"Grey8", Fields(3, 8), TgaPixelKind::kGrey8, false, 18},
    {"GreyAlpha16", Fields(3, 16), TgaPixelKind::kGreyAlpha16, false, 18},
    {"RunLengthGrey8", Fields(11, 8), TgaPixelKind::kGrey8, true, 18},
    {"RunLengthGreyWithUnusedMap", Fields(11, 16, 1, 2, 32), TgaPixelKind::kGreyAlpha16, true,
     18 + 8},
    // Colour-mapped: entries of 15 bits take two bytes.
    {"Mapped32", Fields(1, 8, 1, 256, 32), TgaPixelKind::kIndex8, false, 18 + 1024},
    {"Mapped24", Fields(1, 8, 1, 5, 24, "x"), TgaPixelKind::kIndex8, false, 18 + 1 + 15},
    {"Mapped16", Fields(1, 8, 1, 5, 16), TgaPixelKind::kIndex8, false, 18 + 10},
    {"Mapped15", Fields(1, 8, 1, 5, 15), TgaPixelKind::kIndex8, false, 18 + 10},
    {"RunLengthMapped", Fields(9, 8, 1, 300, 24), TgaPixelKind::kIndex8, true, 18 + 900},
    // Headers that look like a variant but are none: read the old way, 32
    // bits from byte 18, whatever the ID length says.
    {"UnknownImageType", Fields(4, 32, 0, 0, 0, "id"), kLegacy, false, 18},
    {"NoImageData", Fields(0, 32, 0, 0, 0, "id"), kLegacy, false, 18},
    {"TrueColourOf8Bits", Fields(2, 8, 0, 0, 0, "id"), kLegacy, false, 18},
    {"TrueColourOf31Bits", Fields(10, 31), kLegacy, false, 18},
    {"GreyOf24Bits", Fields(3, 24, 0, 0, 0, "id"), kLegacy, false, 18},
    {"MapTypeTwo", Fields(2, 24, 2, 0, 0, "id"), kLegacy, false, 18},
    {"ClassicWithMapTypeTwo", Fields(2, 32, 2, 4, 24, "id"), kLegacy, false, 18},
    {"MappedWithoutMap", Fields(1, 8, 0, 5, 24, "id"), kLegacy, false, 18},
    {"MappedOf16BitIndices", Fields(1, 16, 1, 5, 24), kLegacy, false, 18},
    {"MappedEntriesOf8Bits", Fields(9, 8, 1, 5, 8, "id"), kLegacy, false, 18},
};

class TgaLayoutOfTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(TgaLayoutOfTest, NamesTheVariantOrFallsBackToTheClassicReading) {
  const LayoutCase& c = GetParam();
  const std::string file = MakeTgaFile(c.fields, "", "");
  TgaLayout layout = TgaLayoutOf(reinterpret_cast<const uint8_t*>(file.data()), 18);
  EXPECT_EQ(layout.size.width, 3);
  EXPECT_EQ(layout.size.height, 2);
  EXPECT_EQ(layout.pixel_kind, c.kind);
  EXPECT_EQ(layout.run_length_encoded, c.run_length);
  EXPECT_EQ(layout.pixel_offset, c.pixel_offset);
}

INSTANTIATE_TEST_SUITE_P(Headers, TgaLayoutOfTest, ::testing::ValuesIn(kLayoutCases),
                         testing::CaseName());

TEST(TgaLayoutOfTest, GivesTheColourMapOfAMappedFile) {
  TgaFields fields = Fields(9, 8, 1, 40, 15, "ab");
  fields.map_first = 7;
  const std::string file = MakeTgaFile(fields, "", "");
  TgaLayout layout = TgaLayoutOf(reinterpret_cast<const uint8_t*>(file.data()), 18);
  EXPECT_EQ(layout.colour_map.offset, 20u);
  EXPECT_EQ(layout.colour_map.first_index, 7);
  EXPECT_EQ(layout.colour_map.length, 40);
  EXPECT_EQ(layout.colour_map.entry_kind, TgaPixelKind::kRgb15);
  EXPECT_EQ(layout.pixel_offset, 20u + 80u);
}

// Sixteen or seventeen bytes hold a size but not the whole header: such a
// file is read the old way, whatever its first bytes say.
TEST(TgaLayoutOfTest, AHeaderCutShortIsReadTheOldWay) {
  std::string file = MakeTgaFile(Fields(10, 24, 0, 0, 0, "id"), "", "");
  for (size_t length : {16u, 17u}) {
    TgaLayout layout = TgaLayoutOf(reinterpret_cast<const uint8_t*>(file.data()), length);
    EXPECT_EQ(layout.pixel_kind, kLegacy) << length;
    EXPECT_FALSE(layout.run_length_encoded) << length;
    EXPECT_EQ(layout.pixel_offset, 18u) << length;
    EXPECT_EQ(layout.size.width, 3) << length;
  }
}

}  // namespace
}  // namespace pelorin
