#include "platform/win32/command_line.h"

namespace pelorin {

namespace {

bool IsSeparator(wchar_t c) { return c >= 1 && c <= 32; }

// Reads the word that starts at or after `at` and moves `at` past it.
std::wstring NextWord(std::wstring_view line, size_t& at) {
  for (;;) {
    while (at < line.size() && IsSeparator(line[at])) ++at;
    if (line.substr(at, 2) != L"\"\"") break;
    at += 2;
  }
  std::wstring word;
  while (at < line.size() && line[at] != L'\0' && !IsSeparator(line[at])) {
    if (line[at] != L'"') {
      word += line[at++];
      continue;
    }
    ++at;
    while (at < line.size() && line[at] != L'\0' && line[at] != L'"') word += line[at++];
    if (at < line.size() && line[at] == L'"') ++at;
  }
  return word;
}

}  // namespace

std::vector<std::wstring> SplitCommandLine(std::wstring_view command_line) {
  std::vector<std::wstring> words;
  size_t at = 0;
  for (;;) {
    std::wstring word = NextWord(command_line, at);
    if (word.empty()) return words;
    words.push_back(std::move(word));
  }
}

}  // namespace pelorin
