#include "image/ici_encode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "testing/bytes.h"
#include "testing/case_name.h"
#include "testing/reference_ici.h"
#include "testing/worked_values.h"

namespace pelorin {

// Test names and failure messages show a path by its name.
void PrintTo(const EncoderPath& path, std::ostream* out) { *out << path.name; }

namespace {

// What every path must match.
std::vector<uint8_t> ReferenceEncoding(const uint8_t* tga_pixels, size_t count) {
  std::string ici = testing::ReferenceIciPixels(
      std::string_view(reinterpret_cast<const char*>(tga_pixels), 4 * count));
  return {ici.begin(), ici.end()};
}

std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed) {
  std::mt19937 generator(seed);
  std::vector<uint8_t> bytes(count);
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(generator());
  return bytes;
}

class EncoderPathTest : public ::testing::TestWithParam<EncoderPath> {
 protected:
  // `bgra` (4 bytes a pixel) as this path encodes it.
  static std::string Encode(const std::string& bgra) {
    std::string ici(bgra.size() / 4 * 3, '\0');
    GetParam().encode(reinterpret_cast<const uint8_t*>(bgra.data()), bgra.size() / 4,
                      reinterpret_cast<uint8_t*>(ici.data()));
    return ici;
  }

  void SetUp() override {
    if (!GetParam().supported())
      GTEST_SKIP() << "this CPU cannot run the " << GetParam().name << " path";
  }

  // Encodes `count` random pixels read from `in_offset` bytes past an
  // aligned buffer into `out_offset` bytes past another, and checks the
  // result against the reference and the bytes around it for stray writes.
  static void ExpectExact(size_t count, size_t in_offset, size_t out_offset, uint32_t seed) {
    constexpr size_t kGuard = 64;
    constexpr uint8_t kGuardByte = 0xA5;
    std::vector<uint8_t> input = RandomBytes(in_offset + 4 * count, seed);
    const uint8_t* tga = input.data() + in_offset;
    std::vector<uint8_t> output(out_offset + 3 * count + kGuard, kGuardByte);
    uint8_t* ici = output.data() + out_offset;

    GetParam().encode(tga, count, ici);

    std::vector<uint8_t> expected = ReferenceEncoding(tga, count);
    std::vector<uint8_t> actual(ici, ici + 3 * count);
    ASSERT_EQ(actual, expected) << count << " pixels, input offset " << in_offset
                                << ", output offset " << out_offset;
    for (size_t i = 0; i < output.size(); ++i) {
      if (i >= out_offset && i < out_offset + 3 * count) continue;
      ASSERT_EQ(output[i], kGuardByte) << "byte " << i << " outside the output was written, "
                                       << count << " pixels, output offset " << out_offset;
    }
  }
};

TEST_P(EncoderPathTest, GivesTheWorkedValues) {
  for (const testing::WorkedValue& value : testing::kWorkedValues)
    EXPECT_EQ(Encode(value.bgra), value.ici) << value.name;
  // Repeated so that the widest path meets them in its main loop too.
  std::string input, want;
  for (int copy = 0; copy < 8; ++copy) {
    input += testing::WorkedValuesBgra();
    want += testing::WorkedValuesIci();
  }
  EXPECT_EQ(Encode(input), want);
}

// Each channel alone, at every value, against the format's formula written
// out by hand: no carry into a neighbour, no rounding.
TEST_P(EncoderPathTest, TruncatesEveryChannelIndependently) {
  using testing::Bytes;
  for (int value = 0; value < 256; ++value) {
    EXPECT_EQ(Encode(Bytes({value, 0, 0, 0})), Bytes({value >> 3, 0, 0})) << value;
    EXPECT_EQ(Encode(Bytes({0, value, 0, 0})), Bytes({(value >> 2 << 5) & 0xFF, value >> 5, 0}))
        << value;
    EXPECT_EQ(Encode(Bytes({0, 0, value, 0})), Bytes({0, value & 0xF8, 0})) << value;
    EXPECT_EQ(Encode(Bytes({0, 0, 0, value})), Bytes({0, 0, value >> 3})) << value;
  }
}

// 1 to 64 pixels leave every possible remainder after each path's 4-, 8-,
// 16- and 32-pixel steps; the large counts run the main loops many times.
TEST_P(EncoderPathTest, MatchesTheReferenceForEveryTail) {
  for (size_t count = 0; count <= 64; ++count)
    ExpectExact(count, 0, 0, static_cast<uint32_t>(count));
  for (size_t count : {127u, 1000u, 4099u, 65535u})
    ExpectExact(count, 0, 0, static_cast<uint32_t>(count));
}

TEST_P(EncoderPathTest, MatchesTheReferenceOnUnalignedRows) {
  for (size_t in_offset = 0; in_offset <= 3; ++in_offset)
    for (size_t out_offset = 0; out_offset <= 3; ++out_offset)
      for (size_t count : {1u, 3u, 4u, 7u, 8u, 15u, 16u, 17u, 31u, 32u, 33u, 63u, 64u, 100u, 8191u})
        ExpectExact(count, in_offset, out_offset,
                    static_cast<uint32_t>(count * 16 + in_offset * 4 + out_offset));
}

// Every value of every channel, with the other channels at each extreme,
// so no mask or shift is off by one bit anywhere.
TEST_P(EncoderPathTest, MatchesTheReferenceForEveryChannelValue) {
  std::vector<uint8_t> input;
  for (int channel = 0; channel < 4; ++channel)
    for (uint8_t others : {uint8_t{0x00}, uint8_t{0xFF}})
      for (int value = 0; value < 256; ++value)
        for (int byte = 0; byte < 4; ++byte)
          input.push_back(byte == channel ? static_cast<uint8_t>(value) : others);
  size_t count = input.size() / 4;
  std::vector<uint8_t> ici(3 * count);
  GetParam().encode(input.data(), count, ici.data());
  EXPECT_EQ(ici, ReferenceEncoding(input.data(), count));
}

// 24-bit pixels encode as the same pixels with alpha 255 would, for every
// count that leaves a remainder after each path's steps, on unaligned
// output; nothing outside the output is written and nothing past the input
// is read (the input ends exactly at the end of its allocation, for
// AddressSanitizer).
TEST_P(EncoderPathTest, EncodesBgrAsOpaqueBgra) {
  constexpr size_t kGuard = 64;
  constexpr uint8_t kGuardByte = 0xA5;
  for (size_t count : {0u,  1u,  2u,  5u,  15u, 16u, 17u, 31u, 32u,   33u,   34u,
                       35u, 47u, 48u, 63u, 64u, 65u, 66u, 67u, 1000u, 1025u, 8191u}) {
    for (size_t out_offset = 0; out_offset <= 3; ++out_offset) {
      std::vector<uint8_t> random = RandomBytes(3 * count, static_cast<uint32_t>(count));
      std::unique_ptr<uint8_t[]> input(new uint8_t[3 * count]);
      std::copy(random.begin(), random.end(), input.get());
      std::vector<uint8_t> output(out_offset + 3 * count + kGuard, kGuardByte);

      GetParam().encode_bgr(input.get(), count, output.data() + out_offset);

      std::vector<uint8_t> bgra;
      for (size_t i = 0; i < count; ++i)
        bgra.insert(bgra.end(), {random[3 * i], random[3 * i + 1], random[3 * i + 2], 0xFF});
      ASSERT_EQ(std::vector<uint8_t>(output.begin() + out_offset,
                                     output.begin() + out_offset + 3 * count),
                ReferenceEncoding(bgra.data(), count))
          << count << " pixels, output offset " << out_offset;
      for (size_t i = 0; i < output.size(); ++i) {
        if (i >= out_offset && i < out_offset + 3 * count) continue;
        ASSERT_EQ(output[i], kGuardByte)
            << "byte " << i << " outside the output was written, " << count << " pixels";
      }
    }
  }
}

std::vector<EncoderPath> PathsToTest() {
  EncoderPathList all = AllEncoderPaths();
  return {all.paths, all.paths + all.count};
}

INSTANTIATE_TEST_SUITE_P(AllPaths, EncoderPathTest, ::testing::ValuesIn(PathsToTest()),
                         [](const ::testing::TestParamInfo<EncoderPath>& info) {
                           return std::string(info.param.name);
                         });

TEST(EncoderPathsTest, StartWithThePortablePath) {
  EncoderPathList all = AllEncoderPaths();
  ASSERT_GE(all.count, 1u);
  EXPECT_STREQ(all.paths[0].name, "portable");
  EXPECT_TRUE(all.paths[0].supported());
}

void NoPixels(const uint8_t* /*in*/, size_t /*count*/, uint8_t* /*out*/) {}

// Paths a CPU may or may not run, in the order AllEncoderPaths() keeps.
struct ChoiceCase {
  const char* name;
  bool second_supported, third_supported;
  const char* chosen;
};
void PrintTo(const ChoiceCase& c, std::ostream* out) { *out << c.name; }

const ChoiceCase kChoiceCases[] = {
    {"AllSupported", true, true, "third"},
    {"OnlyTheFirst", false, false, "first"},
    {"TheMiddleOne", true, false, "second"},
    {"TheLastWithoutTheMiddle", false, true, "third"},
};

class FastestSupportedPathTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(FastestSupportedPathTest, TakesTheLastPathTheCpuRuns) {
  static bool second_supported, third_supported;
  second_supported = GetParam().second_supported;
  third_supported = GetParam().third_supported;
  const EncoderPath paths[] = {
      {"first", NoPixels, NoPixels, [] { return true; }},
      {"second", NoPixels, NoPixels, [] { return second_supported; }},
      {"third", NoPixels, NoPixels, [] { return third_supported; }},
  };
  EXPECT_STREQ(FastestSupportedPath(EncoderPathList{paths, 3}).name, GetParam().chosen);
}

INSTANTIATE_TEST_SUITE_P(Cpus, FastestSupportedPathTest, ::testing::ValuesIn(kChoiceCases),
                         testing::CaseName());

// The program's choice, against what this CPU says of itself.
TEST(EncoderPathsTest, TheProgramRunsTheWidestPathThisCpuHas) {
#if defined(__x86_64__)
  const char* widest = __builtin_cpu_supports("avx2")    ? "avx2"
                       : __builtin_cpu_supports("ssse3") ? "ssse3"
                                                         : "portable";
#else
  const char* widest = "portable";
#endif
  EXPECT_STREQ(ChosenEncoderPath().name, widest);
}

}  // namespace
}  // namespace pelorin
