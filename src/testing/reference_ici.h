// The ICI format worked out the plainest way, one pixel at a time straight
// from its definition, for tests to hold the real encoders against.
#ifndef PELORIN_TESTING_REFERENCE_ICI_H_
#define PELORIN_TESTING_REFERENCE_ICI_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace pelorin::testing {

// The ICI pixels of `bgra`, 4-byte TGA pixels in the order given.
std::string ReferenceIciPixels(std::string_view bgra);

// The rows of `bgra` (each `width` pixels) in the opposite order.
std::string ReverseRows(std::string_view bgra, size_t width);

// The ICI image of a complete TGA file: pixels from byte 18, last stored
// row first, whatever follows them ignored.
std::string ReferenceIci(std::string_view tga);

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_REFERENCE_ICI_H_
