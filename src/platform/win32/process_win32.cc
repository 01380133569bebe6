#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/win32/command_line.h"
#include "platform/win32/wide_text.h"

namespace pelorin {

std::optional<std::string> SourcePathArgument(int, char*[]) {
  // The C runtime's argv follows other quoting rules and is in the ANSI
  // code page, which loses letters; the command line itself is exact.
  std::vector<std::wstring> words = SplitCommandLine(GetCommandLineW());
  if (words.size() < 2) return std::nullopt;
  return Utf8FromWide(words[1]);
}

std::string ModuleName() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return "pelorin.exe";
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);  // cut short: try a larger buffer
  }
  size_t last = path.find_last_of(L"\\/");
  return Utf8FromWide(last == std::wstring::npos ? path : path.substr(last + 1));
}

unsigned long long CodeOffset(const void* address) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCWSTR>(address), &module))
    module = GetModuleHandleW(nullptr);
  return reinterpret_cast<uintptr_t>(address) - reinterpret_cast<uintptr_t>(module);
}

}  // namespace pelorin
