// testing/file_bytes.h for Windows, on the wide API so that names with any
// letters and paths beyond MAX_PATH work.
#include <windows.h>

#include <stdexcept>

#include "testing/file_bytes.h"
#include "testing/win32/api_path.h"

namespace pelorin::testing {

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

}  // namespace pelorin::testing
