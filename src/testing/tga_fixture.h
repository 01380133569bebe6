// TGA files for tests, made in memory.
#ifndef PELORIN_TESTING_TGA_FIXTURE_H_
#define PELORIN_TESTING_TGA_FIXTURE_H_

#include <cstdint>
#include <string>

namespace pelorin::testing {

// An 18-byte TGA header for an uncompressed 32-bit image, bottom-left origin,
// followed by `pixels` (4 bytes each, blue green red alpha).
std::string MakeTga(uint16_t width, uint16_t height, const std::string& pixels);
// The same with pseudo-random pixels drawn from `seed`.
std::string MakeRandomTga(uint16_t width, uint16_t height, uint32_t seed);

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_TGA_FIXTURE_H_
