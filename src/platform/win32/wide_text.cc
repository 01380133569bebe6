#include "platform/win32/wide_text.h"

#include <windows.h>

#include <climits>

#include "platform/failure.h"

namespace pelorin {

// The system converts at most INT_MAX units at a time. Pelorin converts
// paths and console lines, far shorter; a text beyond that is reported as
// the memory it would take, not converted in pieces.
static int CountFor(size_t size) {
  if (size > INT_MAX) throw EOutOfMemory();
  return static_cast<int>(size);
}

std::wstring WideFromUtf8(std::string_view text) {
  if (text.empty()) return std::wstring();
  int size = CountFor(text.size());
  int count = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(count), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), count);
  return wide;
}

std::string Utf8FromWide(std::wstring_view text) {
  if (text.empty()) return std::string();
  int size = CountFor(text.size());
  int count = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(count), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), count, nullptr, nullptr);
  return utf8;
}

}  // namespace pelorin
