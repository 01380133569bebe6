// The test helpers of testing/temp_dir.h for Windows, on the wide API so
// that names with any letters work.
#include <windows.h>

#include <algorithm>
#include <random>
#include <stdexcept>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_path.h"
#include "testing/temp_dir.h"
#include "testing/win32/launched_program.h"

namespace pelorin::testing {

namespace {

std::wstring ApiPath(const std::string& path) { return ApiPathFor(WideFromUtf8(path)); }

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

std::string ReadFileBytes(const std::string& path) {
  HANDLE file = CreateFileW(ApiPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot read " + path);
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileW(ApiPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  bool ok = file != INVALID_HANDLE_VALUE &&
            WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size();
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (!ok) throw std::runtime_error("cannot write " + path);
}

bool PathExists(const std::string& path) {
  return GetFileAttributesW(ApiPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

RunResult RunProgram(const std::vector<std::string>& argv, const RunOptions& options) {
  if (options.before_exec)
    throw std::logic_error("before_exec needs fork and exec, which Windows lacks");
  std::string command_line;
  for (const std::string& word : argv) {
    if (!command_line.empty()) command_line += ' ';
    command_line += '"' + word + '"';
  }
  LaunchOptions launch;
  launch.working_directory = options.working_directory;
  launch.merge_error_into_output = options.merge_error_into_output;
  return RunCommandLine(argv.at(0), command_line, options.input, launch);
}

}  // namespace pelorin::testing
