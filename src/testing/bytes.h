// Byte strings written as numbers, for fixtures and expected output.
#ifndef PELORIN_TESTING_BYTES_H_
#define PELORIN_TESTING_BYTES_H_

#include <initializer_list>
#include <string>

namespace pelorin::testing {

// Bytes({0x10, 0x20}) is the two-byte string "\x10\x20"; unlike a literal,
// it cannot end early at a zero byte or run a hex escape into the next
// letter.
inline std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  bytes.reserve(values.size());
  for (int value : values) bytes += static_cast<char>(value);
  return bytes;
}

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_BYTES_H_
