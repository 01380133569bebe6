#include "image/tga_source.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/failure.h"
#include "testing/memory_file.h"
#include "testing/temp_dir.h"

namespace pelorin {
namespace {

using testing::MakeTga;
using testing::MemorySource;

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
  ImageSize size = TgaSource(file).ReadImageSize();
  EXPECT_EQ(size.width, 320);
  EXPECT_EQ(size.height, 240);

  MemorySource largest(MakeTga(65535, 65535, ""));
  size = TgaSource(largest).ReadImageSize();
  EXPECT_EQ(size.width, 65535);
  EXPECT_EQ(size.height, 65535);
}

TEST(TgaSourceTest, SixteenBytesAreEnoughForAnImageWithoutPixels) {
  for (ImageSize size : {ImageSize{0, 0}, ImageSize{0, 9}, ImageSize{9, 0}}) {
    SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
    MemorySource file(MakeTga(size.width, size.height, "").substr(0, 16));
    TgaSource source(file);
    ImageSize read = source.ReadImageSize();
    EXPECT_EQ(read.width, size.width);
    EXPECT_EQ(read.height, size.height);
    source.RequireAllPixels(read);
  }
}

TEST(TgaSourceTest, AHeaderCutShortOfTheSizeFieldsIsReadBeyondEnd) {
  for (size_t length : {0u, 1u, 12u, 15u}) {
    SCOPED_TRACE(length);
    MemorySource file(std::string(length, '\0'));
    ExpectReadBeyondEnd([&] { TgaSource(file).ReadImageSize(); });
  }
}

TEST(TgaSourceTest, RequiresExactlyTheBytesTheHeaderPromises) {
  std::string tga = MakeTga(3, 2, std::string(size_t{4} * 3 * 2, 'x'));
  ASSERT_EQ(tga.size(), 18u + 24u);
  EXPECT_EQ(TgaFileSizeFor(ImageSize{3, 2}), tga.size());

  MemorySource exact(tga);
  TgaSource(exact).RequireAllPixels(ImageSize{3, 2});
  MemorySource longer(tga + "TRUEVISION-XFILE.");
  TgaSource(longer).RequireAllPixels(ImageSize{3, 2});

  MemorySource one_byte_short(tga.substr(0, tga.size() - 1));
  ExpectReadBeyondEnd([&] { TgaSource(one_byte_short).RequireAllPixels(ImageSize{3, 2}); });
}

TEST(TgaSourceTest, AGiantHeaderOnATinyFileFailsWithoutReading) {
  MemorySource file(MakeTga(65535, 65535, "ab"));
  TgaSource source(file);
  EXPECT_EQ(TgaFileSizeFor(source.ReadImageSize()), 18 + 4ull * 65535 * 65535);
  ExpectReadBeyondEnd([&] { source.RequireAllPixels(source.ReadImageSize()); });
}

TEST(TgaSourceTest, ReadsRowsFromByteEighteenWhateverTheHeaderSays) {
  // A non-zero ID length, a colour map and a 24-bit depth move nothing.
  std::string pixels;
  for (int i = 0; i < 2 * 2 * 4; ++i) pixels += static_cast<char>(i);
  std::string tga = MakeTga(2, 2, pixels);
  tga[0] = 5;
  tga[1] = 1;
  tga[16] = 24;
  MemorySource file(tga);
  TgaSource source(file);

  std::vector<uint8_t> row(8);
  source.ReadRows(2, 1, 1, row.data());
  EXPECT_EQ(row, (std::vector<uint8_t>{8, 9, 10, 11, 12, 13, 14, 15}));
  std::vector<uint8_t> both(16);
  source.ReadRows(2, 0, 2, both.data());
  EXPECT_EQ(both[0], 0);
  EXPECT_EQ(both[15], 15);
}

TEST(TgaSourceTest, ARowThatShrankAwayAfterTheCheckIsReadBeyondEnd) {
  MemorySource file(MakeTga(2, 2, std::string(16, 'p')));
  TgaSource source(file);
  source.RequireAllPixels(ImageSize{2, 2});
  file.bytes().resize(file.bytes().size() - 1);
  std::vector<uint8_t> row(8);
  source.ReadRows(2, 0, 1, row.data());
  ExpectReadBeyondEnd([&] { source.ReadRows(2, 1, 1, row.data()); });
}

}  // namespace
}  // namespace pelorin
