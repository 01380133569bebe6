#include "image/tga_rle.h"

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
using testing::MemorySource;

// Decodes `counts` pixels after another from `packets`, which start after a
// few bytes of something else, and returns them all.
std::string Decode(const std::string& packets, unsigned pixel_bytes,
                   const std::vector<size_t>& counts, uint64_t* bytes_read = nullptr) {
  MemorySource file("header" + packets);
  RunLengthDecoder decoder(file, 6, pixel_bytes);
  std::string pixels;
  for (size_t count : counts) {
    std::string some(count * pixel_bytes, '?');
    decoder.Decode(count, reinterpret_cast<uint8_t*>(some.data()));
    pixels += some;
  }
  if (bytes_read) *bytes_read = file.bytes_read;
  return pixels;
}

void ExpectReadBeyondEnd(const std::string& packets, unsigned pixel_bytes, size_t count) {
  try {
    Decode(packets, pixel_bytes, {count});
    ADD_FAILURE() << "decoded " << count << " pixels from packets that hold fewer";
  } catch (const EInOutError& failure) {
    EXPECT_EQ(failure.code(), kReadBeyondEndOfFile);
  }
}

TEST(RunLengthDecoderTest, ExpandsRunAndRawPackets) {
  // A run of three 0xAB, then two raw values, then a run of 128.
  const std::string packets = Bytes({0x82, 0xAB, 0x01, 0x01, 0x02, 0xFF, 0x07});
  EXPECT_EQ(Decode(packets, 1, {133}),
            Bytes({0xAB, 0xAB, 0xAB, 0x01, 0x02}) + std::string(128, '\x07'));
}

TEST(RunLengthDecoderTest, ValuesOfEveryWidth) {
  EXPECT_EQ(Decode(Bytes({0x81, 1, 2, 0x00, 3, 4}), 2, {3}), Bytes({1, 2, 1, 2, 3, 4}));
  EXPECT_EQ(Decode(Bytes({0x00, 1, 2, 3, 0x81, 4, 5, 6}), 3, {3}),
            Bytes({1, 2, 3, 4, 5, 6, 4, 5, 6}));
  EXPECT_EQ(Decode(Bytes({0x80, 1, 2, 3, 4, 0x01, 5, 6, 7, 8, 9, 10, 11, 12}), 4, {3}),
            Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

// Packets run across rows, and so across the bands the image is read in:
// a packet cut by one request goes on in the next.
TEST(RunLengthDecoderTest, APacketGoesOnAcrossRequests) {
  const std::string packets = Bytes({0x84, 0x11, 0x03, 1, 2, 3, 4, 0x80, 0x22});
  const std::string all = Bytes({0x11, 0x11, 0x11, 0x11, 0x11, 1, 2, 3, 4, 0x22});
  EXPECT_EQ(Decode(packets, 1, {2, 2, 2, 2, 2}), all);
  EXPECT_EQ(Decode(packets, 1, {1, 5, 4}), all);
  EXPECT_EQ(Decode(packets, 1, {10}), all);
}

// The rest of a packet past the last pixel is not needed, and what follows
// it is never looked at, so a file may end inside that packet.
TEST(RunLengthDecoderTest, APacketPastTheLastPixelNeedsNoMoreBytes) {
  EXPECT_EQ(Decode(Bytes({0xFF, 0x5A}), 1, {3}), Bytes({0x5A, 0x5A, 0x5A}));
  EXPECT_EQ(Decode(Bytes({0x7F, 1, 2, 3}), 1, {3}), Bytes({1, 2, 3}));
  EXPECT_EQ(Decode(Bytes({0x7F, 1, 2, 3, 4, 5}), 1, {2}), Bytes({1, 2}));
}

struct CutCase {
  const char* name;
  std::string packets;
  unsigned pixel_bytes;
  size_t count;
};
void PrintTo(const CutCase& c, std::ostream* out) { *out << c.name; }

const CutCase kCutCases[] = {
    {"NoPackets", "", 1, 1},
    {"NoPacketAfterTheFirst", Bytes({0x81, 0x11}), 1, 3},
    {"RunWithoutItsValue", Bytes({0x85}), 1, 1},
    {"RunValueCutShort", Bytes({0x85, 1, 2}), 3, 1},
    {"RawValuesCutShort", Bytes({0x04, 1, 2, 3}), 1, 5},
    {"RawValueCutInside", Bytes({0x01, 1, 2, 3, 4, 5}), 4, 2},
};

class RunLengthCutShortTest : public ::testing::TestWithParam<CutCase> {};

TEST_P(RunLengthCutShortTest, IsReadBeyondEndOfFile) {
  ExpectReadBeyondEnd(GetParam().packets, GetParam().pixel_bytes, GetParam().count);
}

INSTANTIATE_TEST_SUITE_P(Packets, RunLengthCutShortTest, ::testing::ValuesIn(kCutCases),
                         testing::CaseName());

// Far more data than the decoder reads at a time, in requests of every size.
TEST(RunLengthDecoderTest, DecodesLongStreamsInAnyPieces) {
  std::string stored;
  for (int i = 0; i < 200000; ++i) {
    std::string value = testing::RandomBytes(3, static_cast<uint32_t>(i / (1 + i % 5)));
    stored += value;
  }
  const std::string packets = testing::RunLengthPackets(stored, 3);
  std::vector<size_t> counts;
  for (size_t left = stored.size() / 3, piece = 1; left > 0; piece = piece * 7 % 100003 + 1) {
    counts.push_back(std::min(piece, left));
    left -= counts.back();
  }
  uint64_t bytes_read = 0;
  EXPECT_TRUE(Decode(packets, 3, counts, &bytes_read) == stored);
  EXPECT_LE(bytes_read, packets.size() + 6);
}

}  // namespace
}  // namespace pelorin
