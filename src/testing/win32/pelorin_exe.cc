#include "testing/win32/pelorin_exe.h"

#include <windows.h>
#include <winioctl.h>

#include <stdexcept>

#include "platform/win32/wide_text.h"
#include "testing/tga_fixture.h"
#include "testing/win32/api_path.h"

namespace pelorin::testing {

std::string PelorinExePath() {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring self(path, length);
  return Utf8FromWide(self.substr(0, self.find_last_of(L"\\/") + 1)) + "pelorin.exe";
}

void WriteLargeSparseTga(const std::string& path) {
  const int side = 16384;
  std::string header = MakeTga(side, side, "");
  HANDLE file =
      CreateFileW(ApiPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + path);
  DWORD written = 0, returned = 0;
  DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
  WriteFile(file, header.data(), static_cast<DWORD>(header.size()), &written, nullptr);
  LARGE_INTEGER end;
  end.QuadPart = 18 + 4LL * side * side;
  bool ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
  CloseHandle(file);
  if (!ok) throw std::runtime_error("cannot size " + path);
}

}  // namespace pelorin::testing
