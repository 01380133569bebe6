// TGA files for tests, made in memory.
#ifndef PELORIN_TESTING_TGA_FIXTURE_H_
#define PELORIN_TESTING_TGA_FIXTURE_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace pelorin::testing {

// An 18-byte TGA header for an uncompressed 32-bit image, bottom-left origin,
// followed by `pixels` (4 bytes each, blue green red alpha).
std::string MakeTga(uint16_t width, uint16_t height, const std::string& pixels);
// The same with pseudo-random pixels drawn from `seed`.
std::string MakeRandomTga(uint16_t width, uint16_t height, uint32_t seed);

// Writes such a header for `width` x `height` pixels at `path` and extends
// the file to its full length without writing the pixels, which read as
// zeros: an image that takes a while to convert, made in an instant. Throws
// when the file cannot be made.
void WriteSparseTga(const std::string& path, uint16_t width, uint16_t height);

// The header fields of any TGA file; what a test leaves alone is that of an
// uncompressed 32-bit image without ID field or colour map.
struct TgaFields {
  uint8_t map_type = 0;
  uint8_t image_type = 2;
  uint16_t map_first = 0;
  uint16_t map_length = 0;
  uint8_t entry_bits = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  uint8_t depth = 32;
  uint8_t descriptor = 8;
  std::string id;  // the ID field; its length goes into byte 0
};

// The fields of a `width` x `height` image of `image_type` and `depth`,
// without ID field or colour map.
TgaFields VariantFields(uint8_t image_type, uint8_t depth, uint16_t width, uint16_t height);
// Those of an uncompressed colour-mapped image (8-bit indices) whose map
// holds `map_length` entries of `entry_bits`, from index 0.
TgaFields MappedFields(uint16_t width, uint16_t height, uint16_t map_length,
                       uint8_t entry_bits = 24);

// The header of `fields`, the ID field, `colour_map` and `pixel_data`, in
// that order.
std::string MakeTgaFile(const TgaFields& fields, const std::string& colour_map,
                        const std::string& pixel_data);

// `stored` (values of `pixel_bytes` each) as run-length packets: a value
// repeated becomes a run packet, the others raw packets, none longer than
// 128 pixels.
std::string RunLengthPackets(const std::string& stored, size_t pixel_bytes);

// `count` pseudo-random bytes drawn from `seed`.
std::string RandomBytes(size_t count, uint32_t seed);

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_TGA_FIXTURE_H_
