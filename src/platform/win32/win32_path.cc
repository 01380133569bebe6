#include "platform/win32/win32_path.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace pelorin {

std::wstring FullPathOf(const std::wstring& path) {
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    DWORD length =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return path;
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.resize(length);  // the size needed, with its terminating zero
  }
}

std::wstring ApiPathFor(const std::wstring& path) {
  // Names already in the extended or device form are left as they are.
  if (path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0) return path;
  std::wstring full = FullPathOf(path);
  // A file name may take the last 12 characters below MAX_PATH; stay
  // clear of the limit wherever it is drawn.
  if (full.size() < MAX_PATH - 12) return path;
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::string SystemErrorText(unsigned long code) {
  wchar_t* text = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (length == 0 || text == nullptr) return "Error " + std::to_string(code);
  std::string utf8 = Utf8FromWide(std::wstring_view(text, length));
  LocalFree(text);
  return utf8;
}

}  // namespace pelorin
