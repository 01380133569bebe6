// testing/temp_dir.h for Windows, on the wide API so that names with any
// letters work.
#include <windows.h>

#include <algorithm>
#include <random>
#include <stdexcept>

#include "platform/win32/wide_text.h"
#include "testing/temp_dir.h"
#include "testing/win32/api_path.h"

namespace pelorin::testing {

namespace {

void RemoveTree(const std::wstring& api_path) {
  DWORD attributes = GetFileAttributesW(api_path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesW(api_path.c_str(),
                     FILE_ATTRIBUTE_NORMAL | (attributes & FILE_ATTRIBUTE_DIRECTORY));
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    DeleteFileW(api_path.c_str());
    return;
  }
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((api_path + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") RemoveTree(api_path + L"\\" + name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(api_path.c_str());
}

}  // namespace

TempDir::TempDir() {
  wchar_t base[MAX_PATH + 1];
  DWORD length = GetTempPathW(MAX_PATH + 1, base);
  if (length == 0 || length > MAX_PATH) throw std::runtime_error("GetTempPathW failed");
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring path = std::wstring(base, length) + L"pelorin-test-" +
                        std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(random() % 1000000);
    if (CreateDirectoryW(path.c_str(), nullptr)) {
      path_ = Utf8FromWide(path);
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() { RemoveTree(ApiPath(path_)); }

std::vector<std::string> TempDir::Names() const { return NamesIn(path_); }

std::vector<std::string> NamesIn(const std::string& directory) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((ApiPath(directory) + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") names.push_back(Utf8FromWide(name));
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace pelorin::testing
