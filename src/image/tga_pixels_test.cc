#include "image/tga_pixels.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "platform/failure.h"
#include "testing/bytes.h"
#include "testing/case_name.h"

namespace pelorin {
namespace {

using testing::Bytes;

// `stored` pixels of `kind`, widened.
std::string Widen(TgaPixelKind kind, const std::string& stored,
                  const ColourTable* table = nullptr) {
  const size_t count = stored.size() / StoredBytesPerPixel(kind);
  std::string bgra(4 * count, '\0');
  WidenToBgra(kind, reinterpret_cast<const uint8_t*>(stored.data()), count,
              reinterpret_cast<uint8_t*>(bgra.data()), table);
  return bgra;
}

struct WideningCase {
  const char* name;
  TgaPixelKind kind;
  std::string stored;
  std::string bgra;
};
void PrintTo(const WideningCase& c, std::ostream* out) { *out << c.name; }

const WideningCase kWideningCases[] = {
    {"Bgra32AsItIs", TgaPixelKind::kBgra32, Bytes({0x10, 0x20, 0x30, 0x40}),
     Bytes({0x10, 0x20, 0x30, 0x40})},
    {"Bgr24GetsOpaque", TgaPixelKind::kBgr24, Bytes({0x10, 0x20, 0x30, 0xAA, 0xBB, 0xCC}),
     Bytes({0x10, 0x20, 0x30, 0xFF, 0xAA, 0xBB, 0xCC, 0xFF})},
    // Bits 14-10 red, 9-5 green, 4-0 blue; c widens to (c << 3) | (c >> 2).
    {"Rgb15White", TgaPixelKind::kRgb15, Bytes({0xFF, 0x7F}), Bytes({0xFF, 0xFF, 0xFF, 0xFF})},
    {"Rgb15Red", TgaPixelKind::kRgb15, Bytes({0x00, 0x7C}), Bytes({0x00, 0x00, 0xFF, 0xFF})},
    {"Rgb15Green", TgaPixelKind::kRgb15, Bytes({0xE0, 0x03}), Bytes({0x00, 0xFF, 0x00, 0xFF})},
    {"Rgb15Blue", TgaPixelKind::kRgb15, Bytes({0x1F, 0x00}), Bytes({0xFF, 0x00, 0x00, 0xFF})},
    {"Rgb15HalfSteps", TgaPixelKind::kRgb15, Bytes({0x10, 0x42}), Bytes({0x84, 0x84, 0x84, 0xFF})},
    {"Rgb15OneStep", TgaPixelKind::kRgb15, Bytes({0x21, 0x04}), Bytes({0x08, 0x08, 0x08, 0xFF})},
    // Bit 15 says nothing, set or clear: the pixel stays opaque.
    {"Rgb15TopBitSet", TgaPixelKind::kRgb15, Bytes({0x00, 0x80}), Bytes({0x00, 0x00, 0x00, 0xFF})},
    {"Rgb15TopBitSetOnColour", TgaPixelKind::kRgb15, Bytes({0x10, 0xC2}),
     Bytes({0x84, 0x84, 0x84, 0xFF})},
    {"Grey8", TgaPixelKind::kGrey8, Bytes({0x00, 0x5A, 0xFF}),
     Bytes({0x00, 0x00, 0x00, 0xFF, 0x5A, 0x5A, 0x5A, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})},
    {"GreyThenAlpha16", TgaPixelKind::kGreyAlpha16, Bytes({0x5A, 0x33, 0xFF, 0x00}),
     Bytes({0x5A, 0x5A, 0x5A, 0x33, 0xFF, 0xFF, 0xFF, 0x00})},
};

class WidenToBgraTest : public ::testing::TestWithParam<WideningCase> {};

TEST_P(WidenToBgraTest, FollowsTheWideningRules) {
  EXPECT_EQ(Widen(GetParam().kind, GetParam().stored), GetParam().bgra);
}

INSTANTIATE_TEST_SUITE_P(Pixels, WidenToBgraTest, ::testing::ValuesIn(kWideningCases),
                         testing::CaseName());

// Every 16-bit value, against the rule written out per channel.
TEST(WidenToBgraTest, Rgb15WidensEveryValue) {
  std::string stored;
  for (unsigned word = 0; word < 65536; ++word) stored += Bytes({int(word & 0xFF), int(word >> 8)});
  const std::string bgra = Widen(TgaPixelKind::kRgb15, stored);
  auto widen = [](unsigned c) { return static_cast<char>(c * 8 + c / 4); };
  for (unsigned word = 0; word < 65536; ++word) {
    const std::string expected = {widen(word % 32), widen(word / 32 % 32), widen(word / 1024 % 32),
                                  '\xFF'};
    ASSERT_EQ(bgra.substr(size_t{4} * word, 4), expected) << word;
  }
}

struct MapCase {
  const char* name;
  TgaPixelKind entry_kind;
  std::string entries;  // two entries
  std::string first_bgra, second_bgra;
};
void PrintTo(const MapCase& c, std::ostream* out) { *out << c.name; }

const MapCase kMapCases[] = {
    {"Entries32", TgaPixelKind::kBgra32, Bytes({1, 2, 3, 4, 5, 6, 7, 8}), Bytes({1, 2, 3, 4}),
     Bytes({5, 6, 7, 8})},
    {"Entries24", TgaPixelKind::kBgr24, Bytes({1, 2, 3, 5, 6, 7}), Bytes({1, 2, 3, 0xFF}),
     Bytes({5, 6, 7, 0xFF})},
    {"Entries16TopBitIgnored", TgaPixelKind::kRgb15, Bytes({0x1F, 0x80, 0x00, 0x7C}),
     Bytes({0xFF, 0x00, 0x00, 0xFF}), Bytes({0x00, 0x00, 0xFF, 0xFF})},
};

class ColourTableTest : public ::testing::TestWithParam<MapCase> {};

// Indices pick entries counted from the map's first index; the indices
// below it and from first + length on pick none.
TEST_P(ColourTableTest, IndicesPickEntriesFromTheFirstIndex) {
  const MapCase& c = GetParam();
  const TgaColourMap map{0, 200, 2, c.entry_kind};
  ASSERT_EQ(ReachableEntries(map), 2u);
  const ColourTable table =
      MakeColourTable(map, reinterpret_cast<const uint8_t*>(c.entries.data()));
  EXPECT_EQ(Widen(TgaPixelKind::kIndex8, Bytes({200, 201, 200}), &table),
            c.first_bgra + c.second_bgra + c.first_bgra);
  for (int outside : {0, 199, 202, 255}) {
    EXPECT_FALSE(table.present[outside]) << outside;
    try {
      Widen(TgaPixelKind::kIndex8, Bytes({200, outside}), &table);
      ADD_FAILURE() << "index " << outside << " picked an entry";
    } catch (const EInOutError& failure) {
      EXPECT_EQ(failure.code(), kReadBeyondEndOfFile);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EntrySizes, ColourTableTest, ::testing::ValuesIn(kMapCases),
                         testing::CaseName());

// An 8-bit index reaches only the entries up to index 255.
TEST(ReachableEntriesTest, StopsWhereAnIndexCannotReach) {
  EXPECT_EQ(ReachableEntries({0, 0, 256, TgaPixelKind::kBgr24}), 256u);
  EXPECT_EQ(ReachableEntries({0, 0, 65535, TgaPixelKind::kBgr24}), 256u);
  EXPECT_EQ(ReachableEntries({0, 250, 100, TgaPixelKind::kBgr24}), 6u);
  EXPECT_EQ(ReachableEntries({0, 255, 1, TgaPixelKind::kBgr24}), 1u);
  EXPECT_EQ(ReachableEntries({0, 256, 10, TgaPixelKind::kBgr24}), 0u);
  EXPECT_EQ(ReachableEntries({0, 3, 0, TgaPixelKind::kBgr24}), 0u);
}

}  // namespace
}  // namespace pelorin
