// TGA files as other programs write them: ImageMagick, ffmpeg and Pillow,
// with their defaults and their options for compression, depth, greyscale
// and colour maps. Each is converted by the built program, and tic.ici must
// hold exactly the bytes of the tests' own reference conversion. That the
// reference reads each file as its maker meant it is checked too: the
// program that wrote the file decodes it, and the reference's result must
// be the ICI image of those pixels.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "testing/case_name.h"
#include "testing/child_process.h"
#include "testing/console_texts.h"
#include "testing/file_bytes.h"
#include "testing/reference_ici.h"
#include "testing/temp_dir.h"
#include "testing/tga_fixture.h"

namespace pelorin::testing {
namespace {

enum class Maker { kImageMagick, kFfmpeg, kPillow };

struct RealFileCase {
  const char* name;
  Maker maker;
  bool compressed;                   // Pillow only: save with compression="tga_rle"
  std::vector<std::string> options;  // ImageMagick's and ffmpeg's options; Pillow's mode
  int image_type;                    // what the maker must have written, so the
  int depth;                         // case tests what its name says
};
void PrintTo(const RealFileCase& c, std::ostream* out) { *out << c.name; }

const RealFileCase kRealFileCases[] = {
    // ImageMagick, from random pixels with alpha; -type Palette from a
    // picture of twelve colours.
    {"ImageMagickUncompressed", Maker::kImageMagick, false, {"-compress", "none"}, 2, 32},
    {"ImageMagickRle", Maker::kImageMagick, false, {"-compress", "RLE"}, 10, 32},
    {"ImageMagickTrueColor", Maker::kImageMagick, false, {"-type", "TrueColor"}, 2, 24},
    {"ImageMagickPalette", Maker::kImageMagick, false, {"-type", "Palette"}, 1, 8},
    {"ImageMagickGrayscale", Maker::kImageMagick, false, {"-type", "Grayscale"}, 3, 8},
    // ffmpeg, from its test pattern: run-length encoded by default.
    {"FfmpegBgra", Maker::kFfmpeg, false, {"-pix_fmt", "bgra"}, 10, 32},
    {"FfmpegBgraUncompressed", Maker::kFfmpeg, false, {"-pix_fmt", "bgra", "-rle", "0"}, 2, 32},
    {"FfmpegBgr24", Maker::kFfmpeg, false, {"-pix_fmt", "bgr24"}, 10, 24},
    {"FfmpegBgr24Uncompressed", Maker::kFfmpeg, false, {"-pix_fmt", "bgr24", "-rle", "0"}, 2, 24},
    {"FfmpegRgb555", Maker::kFfmpeg, false, {"-pix_fmt", "rgb555le"}, 10, 16},
    {"FfmpegRgb555Uncompressed",
     Maker::kFfmpeg,
     false,
     {"-pix_fmt", "rgb555le", "-rle", "0"},
     2,
     16},
    {"FfmpegGray", Maker::kFfmpeg, false, {"-pix_fmt", "gray"}, 11, 8},
    {"FfmpegGrayUncompressed", Maker::kFfmpeg, false, {"-pix_fmt", "gray", "-rle", "0"}, 3, 8},
    {"FfmpegPal8", Maker::kFfmpeg, false, {"-pix_fmt", "pal8"}, 9, 8},
    {"FfmpegPal8Uncompressed", Maker::kFfmpeg, false, {"-pix_fmt", "pal8", "-rle", "0"}, 1, 8},
    // Pillow, from random pixels of each mode.
    {"PillowRgb", Maker::kPillow, false, {"RGB"}, 2, 24},
    {"PillowRgbRle", Maker::kPillow, true, {"RGB"}, 10, 24},
    {"PillowRgba", Maker::kPillow, false, {"RGBA"}, 2, 32},
    {"PillowRgbaRle", Maker::kPillow, true, {"RGBA"}, 10, 32},
    {"PillowL", Maker::kPillow, false, {"L"}, 3, 8},
    {"PillowLRle", Maker::kPillow, true, {"L"}, 11, 8},
    {"PillowLa", Maker::kPillow, false, {"LA"}, 3, 16},
    {"PillowLaRle", Maker::kPillow, true, {"LA"}, 11, 16},
    {"PillowP", Maker::kPillow, false, {"P"}, 1, 8},
    {"PillowPRle", Maker::kPillow, true, {"P"}, 9, 8},
};

// Pillow writes the file, then decodes it to blue, green, red and alpha on
// standard output. The pixels repeat now and then, so that run-length
// encoding finds runs as well as raw stretches.
const char kPillowScript[] = R"(
import random, sys
from PIL import Image
mode, compression, path = sys.argv[1], sys.argv[2], sys.argv[3]
random.seed(7)
width, height = int(sys.argv[4]), int(sys.argv[5])
bands = {"RGB": 3, "RGBA": 4, "L": 1, "LA": 2, "P": 1}[mode]
pixels = bytearray()
for i in range(width * height):
    if i % 5 == 0:
        value = bytes(random.randrange(256) for _ in range(bands))
    pixels += value
image = Image.frombytes(mode, (width, height), bytes(pixels))
if mode == "P":
    image.putpalette(bytes(random.randrange(256) for _ in range(3 * 256)))
options = {"compression": "tga_rle"} if compression == "rle" else {}
image.save(path, **options)
rgba = Image.open(path).convert("RGBA").tobytes()
bgra = bytearray(rgba)
bgra[0::4], bgra[2::4] = rgba[2::4], rgba[0::4]
sys.stdout.buffer.write(bytes(bgra))
)";

class RealFileE2eTest : public ::testing::TestWithParam<RealFileCase> {
 protected:
  std::string Path(const std::string& name) const { return dir_ / name; }

  // Has the case's maker write "made.tga"; returns the maker's own decoding
  // of it (blue, green, red, alpha, top row first), or nothing, having
  // skipped the test, when the maker is not installed.
  std::optional<std::string> Make() {
    const RealFileCase& c = GetParam();
    // Odd sizes, so that rows are not multiples of any vector width; ffmpeg's
    // test pattern comes in even sizes only.
    width_ = c.maker == Maker::kFfmpeg ? 48 : 61;
    height_ = c.maker == Maker::kFfmpeg ? 30 : 37;
    switch (c.maker) {
      case Maker::kImageMagick:
        return MakeWithImageMagick(c.options);
      case Maker::kFfmpeg:
        return MakeWithFfmpeg(c.options);
      case Maker::kPillow:
        return MakeWithPillow(c.options.front(), c.compressed);
    }
    return std::nullopt;
  }

  std::optional<std::string> MakeWithImageMagick(const std::vector<std::string>& options) {
    const std::string convert = FindProgram("convert-im6.q16");
    if (convert.empty()) return Skip("ImageMagick (convert-im6.q16)");
    // Random pixels with alpha; a palette needs few colours: twelve.
    std::string pixels = RandomBytes(size_t{4} * width_ * height_, 5);
    if (options.back() == "Palette") {
      const std::string colours = RandomBytes(size_t{4} * 12, 6);
      for (size_t i = 0; i < pixels.size(); i += 4)
        pixels.replace(i, 4, colours, size_t{4} * (static_cast<uint8_t>(pixels[i]) % 12), 4);
    }
    WriteFileBytes(Path("raw.bgra"), pixels);
    std::vector<std::string> make = {convert,  "-size", Size(),
                                     "-depth", "8",     "bgra:" + Path("raw.bgra")};
    make.insert(make.end(), options.begin(), options.end());
    make.push_back(Path("made.tga"));
    if (!Succeeds(make)) return std::nullopt;
    return Decoded({convert, Path("made.tga"), "-depth", "8", "bgra:-"});
  }

  std::optional<std::string> MakeWithFfmpeg(const std::vector<std::string>& options) {
    const std::string ffmpeg = FindProgram("ffmpeg");
    if (ffmpeg.empty()) return Skip("ffmpeg");
    std::vector<std::string> make = {
        ffmpeg,      "-v",    "error", "-nostdin",
        "-f",        "lavfi", "-i",    "testsrc2=rate=1:size=" + Size(),
        "-frames:v", "1"};
    make.insert(make.end(), options.begin(), options.end());
    make.insert(make.end(), {"-y", Path("made.tga")});
    if (!Succeeds(make)) return std::nullopt;
    return Decoded({ffmpeg, "-v", "error", "-nostdin", "-i", Path("made.tga"), "-f", "rawvideo",
                    "-pix_fmt", "bgra", "-"});
  }

  std::optional<std::string> MakeWithPillow(const std::string& mode, bool compressed) {
    const std::string python = FindProgram("python3");
    if (python.empty() || !Succeeds({python, "-c", "import PIL"}))
      return Skip("Pillow (python3-pil)");
    return Decoded({python, "-c", kPillowScript, mode, compressed ? "rle" : "none",
                    Path("made.tga"), std::to_string(width_), std::to_string(height_)});
  }

  std::string Size() const { return std::to_string(width_) + "x" + std::to_string(height_); }

  std::optional<std::string> Skip(const std::string& what) {
    skipped_ = what + " is not installed";
    return std::nullopt;
  }

  static bool Succeeds(const std::vector<std::string>& argv) {
    RunResult run = RunProgram(argv);
    EXPECT_EQ(run.exit_status, 0) << argv.front() << ": " << run.err;
    return run.exit_status == 0;
  }

  std::optional<std::string> Decoded(const std::vector<std::string>& argv) const {
    RunResult run = RunProgram(argv);
    EXPECT_EQ(run.exit_status, 0) << argv.front() << ": " << run.err;
    if (run.exit_status != 0) return std::nullopt;
    EXPECT_EQ(run.out.size(), size_t{4} * width_ * height_);
    return run.out;
  }

  TempDir dir_;
  uint16_t width_ = 0, height_ = 0;
  std::string skipped_;
};

TEST_P(RealFileE2eTest, ConvertsToTheReferenceBytes) {
  const RealFileCase& c = GetParam();
  std::optional<std::string> decoded = Make();
  if (!skipped_.empty()) GTEST_SKIP() << skipped_;
  ASSERT_TRUE(decoded);
  const std::string tga = ReadFileBytes(Path("made.tga"));
  ASSERT_GE(tga.size(), 18u);
  ASSERT_EQ(tga[2], c.image_type) << "the maker wrote another kind of file";
  ASSERT_EQ(tga[16], c.depth) << "the maker wrote another pixel depth";
  const std::optional<std::string> expected = ReferenceConversion(tga);
  ASSERT_TRUE(expected) << "the reference finds the file short";

  // The reference reads the pixels as their maker does. Makers disagree on
  // the row order they store, whatever the header says; the stored order
  // is what counts, so either order of the decoded rows may match.
  EXPECT_TRUE(*expected == ReferenceIciPixels(ReverseRows(*decoded, width_)) ||
              *expected == ReferenceIciPixels(*decoded))
      << "the reference reads the pixels otherwise than their maker";

  RunOptions options;
  options.working_directory = dir_.path();
  options.input = "\n";
  RunResult run = RunProgram({PELORIN_EXECUTABLE, "made.tga"}, options);

  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(run.out, JoinLines(ConversionScreen("made.tga"), "\n"));
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(ReadFileBytes(Path("tic.ici")) == *expected);
}

INSTANTIATE_TEST_SUITE_P(Makers, RealFileE2eTest, ::testing::ValuesIn(kRealFileCases), CaseName());

}  // namespace
}  // namespace pelorin::testing
