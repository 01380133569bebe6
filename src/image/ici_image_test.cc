#include "image/ici_image.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/memory_file.h"
#include "testing/reference_ici.h"
#include "testing/temp_dir.h"

namespace pelorin {
namespace {

using testing::MakeRandomTga;
using testing::MakeTga;
using testing::MemorySink;
using testing::MemorySource;
using testing::ReferenceIci;

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values) bytes += static_cast<char>(value);
  return bytes;
}

std::string Encode(const std::string& tga_pixels) {
  std::string ici(tga_pixels.size() / 4 * 3, '\0');
  EncodePixels(reinterpret_cast<const uint8_t*>(tga_pixels.data()), tga_pixels.size() / 4,
               reinterpret_cast<uint8_t*>(ici.data()));
  return ici;
}

// The whole ICI image of `tga`, as the converter streams it.
std::string Convert(const std::string& tga) {
  MemorySource file(tga);
  TgaSource source(file);
  ImageSize size = source.ReadImageSize();
  source.RequireAllPixels(size);
  MemorySink sink;
  WriteIciImage(source, size, sink);
  return sink.bytes();
}

TEST(EncodePixelsTest, MatchesTheWorkedValues) {
  struct Case {
    std::string tga;  // blue, green, red, alpha
    std::string ici;
  } cases[] = {
      {Bytes({0x00, 0x00, 0xFF, 0xFF}), Bytes({0x00, 0xF8, 0x1F})},
      {Bytes({0x00, 0xFF, 0x00, 0xFF}), Bytes({0xE0, 0x07, 0x1F})},
      {Bytes({0xFF, 0x00, 0x00, 0xFF}), Bytes({0x1F, 0x00, 0x1F})},
      {Bytes({0xFF, 0xFF, 0xFF, 0xFF}), Bytes({0xFF, 0xFF, 0x1F})},
      {Bytes({0x00, 0x00, 0x00, 0x00}), Bytes({0x00, 0x00, 0x00})},
      {Bytes({0x07, 0x03, 0x07, 0x07}), Bytes({0x00, 0x00, 0x00})},
      {Bytes({0x08, 0x04, 0x08, 0x08}), Bytes({0x21, 0x08, 0x01})},
      {Bytes({0x10, 0x20, 0x30, 0x40}), Bytes({0x02, 0x31, 0x08})},
  };
  std::string all_tga, all_ici;
  for (const Case& c : cases) {
    EXPECT_EQ(Encode(c.tga), c.ici);
    all_tga += c.tga;
    all_ici += c.ici;
  }
  EXPECT_EQ(Encode(all_tga), all_ici);
}

TEST(EncodePixelsTest, TruncatesEveryChannelIndependently) {
  // Each channel alone, at every value: no carry into a neighbour, no rounding.
  for (int value = 0; value < 256; ++value) {
    SCOPED_TRACE(value);
    EXPECT_EQ(Encode(Bytes({value, 0, 0, 0})), Bytes({value >> 3, 0, 0}));
    EXPECT_EQ(Encode(Bytes({0, value, 0, 0})), Bytes({(value >> 2 << 5) & 0xFF, value >> 5, 0}));
    EXPECT_EQ(Encode(Bytes({0, 0, value, 0})), Bytes({0, value & 0xF8, 0}));
    EXPECT_EQ(Encode(Bytes({0, 0, 0, value})), Bytes({0, 0, value >> 3}));
  }
}

TEST(WriteIciImageTest, PutsTheLastStoredRowFirst) {
  std::string p0 = Bytes({0x00, 0x00, 0xFF, 0xFF}), p1 = Bytes({0x00, 0xFF, 0x00, 0xFF});
  std::string p2 = Bytes({0xFF, 0x00, 0x00, 0xFF}), p3 = Bytes({0x10, 0x20, 0x30, 0x40});
  EXPECT_EQ(Convert(MakeTga(2, 2, p0 + p1 + p2 + p3)), Encode(p2 + p3 + p0 + p1));
}

TEST(WriteIciImageTest, AnImageWithoutPixelsIsEmpty) {
  EXPECT_EQ(Convert(MakeTga(0, 0, "")), "");
  EXPECT_EQ(Convert(MakeTga(0, 500, "")), "");
  EXPECT_EQ(Convert(MakeTga(500, 0, "")), "");
}

TEST(WriteIciImageTest, MatchesThePixelByPixelDefinitionAcrossBands) {
  // Shapes that give one band, several bands with a remainder, one pixel a
  // row, and rows too wide for more than a few in a band.
  struct Case {
    uint16_t width, height;
  } cases[] = {{1, 1}, {3, 5}, {1, 65535}, {1000, 600}, {65535, 5}, {7, 40000}};
  uint32_t seed = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    std::string tga = MakeRandomTga(c.width, c.height, seed++);
    std::string ici = Convert(tga + "trailing bytes are never read");
    EXPECT_EQ(ici.size(), 3ull * c.width * c.height);
    EXPECT_TRUE(ici == ReferenceIci(tga));
  }
}

TEST(OutputPathForTest, KeepsTheDirectoryPartAsWritten) {
  struct Case {
    const char* separators;
    const char* source;
    const char* output;
  } cases[] = {
      {"/", "logo.tga", "tic.ici"},
      {"/", "pics/logo.tga", "pics/tic.ici"},
      {"/", "/home/ann/my pics/logo.tga", "/home/ann/my pics/tic.ici"},
      {"/", "../up/./logo.tga", "../up/./tic.ici"},
      {"/", "a//b.tga", "a//tic.ici"},
      {"/", "/logo.tga", "/tic.ici"},
      {"/", "dir/", "dir/tic.ici"},
      {"/", "C:\\pics\\logo.tga", "tic.ici"},
      {"/", "ελληνικά/圖片.tga", "ελληνικά/tic.ici"},
      {"\\/:", "C:\\pics\\logo.tga", "C:\\pics\\tic.ici"},
      {"\\/:", "C:logo.tga", "C:tic.ici"},
      {"\\/:", "..\\logo.tga", "..\\tic.ici"},
      {"\\/:", "pics/logo.tga", "pics/tic.ici"},
      {"\\/:", "logo.tga", "tic.ici"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    EXPECT_EQ(OutputPathFor(c.source, c.separators), c.output);
  }
}

}  // namespace
}  // namespace pelorin
