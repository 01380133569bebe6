// The conversion worked out the plainest way, one pixel at a time straight
// from the formats' definitions, for tests and the fuzzer to hold the real
// decoders and encoders against. It shares no code with them.
#ifndef PELORIN_TESTING_REFERENCE_ICI_H_
#define PELORIN_TESTING_REFERENCE_ICI_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace pelorin::testing {

// The ICI pixels of `bgra`, 4-byte TGA pixels in the order given.
std::string ReferenceIciPixels(std::string_view bgra);

// The rows of `bgra` (each `width` pixels) in the opposite order.
std::string ReverseRows(std::string_view bgra, size_t width);

// What converting the file `tga` must give: its ICI image, or nothing when
// the conversion must fail with "Read beyond end of file".
std::optional<std::string> ReferenceConversion(std::string_view tga);

// The ICI image of a TGA file that converts; "" for one that does not.
std::string ReferenceIci(std::string_view tga);

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_REFERENCE_ICI_H_
