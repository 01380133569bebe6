// Text conversion between the UTF-8 strings that cross Pelorin's shared
// interfaces and the UTF-16 strings of the Windows API.
#ifndef PELORIN_PLATFORM_WIN32_WIDE_TEXT_H_
#define PELORIN_PLATFORM_WIN32_WIDE_TEXT_H_

#include <string>
#include <string_view>

namespace pelorin {

// Both raise EOutOfMemory for a text longer than the system's conversion
// takes (2^31 - 1 units).
std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

}  // namespace pelorin

#endif  // PELORIN_PLATFORM_WIN32_WIDE_TEXT_H_
