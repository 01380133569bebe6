#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>

#include "platform/byte_file.h"
#include "platform/failure.h"
#include "platform/path.h"
#include "platform/win32/interrupt_cleanup.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_path.h"

namespace pelorin {

namespace {

// ReadFile and WriteFile take 32-bit counts.
constexpr size_t kLargestTransfer = 1u << 30;

bool IsDirectory(const std::wstring& api_path) {
  DWORD attributes = GetFileAttributesW(api_path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

class Win32ByteSource : public ByteSource {
 public:
  explicit Win32ByteSource(HANDLE handle) : handle_(handle) {}
  ~Win32ByteSource() override { CloseHandle(handle_); }
  Win32ByteSource(const Win32ByteSource&) = delete;
  Win32ByteSource& operator=(const Win32ByteSource&) = delete;

  uint64_t Size() override {
    if (GetFileType(handle_) != FILE_TYPE_DISK) return 0;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle_, &size)) throw EInOutError(InOutCodeForWindowsError(GetLastError()));
    return static_cast<uint64_t>(size.QuadPart);
  }

  size_t ReadAt(uint64_t offset, uint8_t* into, size_t count) override {
    size_t done = 0;
    while (done < count) {
      uint64_t at = offset + done;
      OVERLAPPED position = {};
      position.Offset = static_cast<DWORD>(at);
      position.OffsetHigh = static_cast<DWORD>(at >> 32);
      DWORD got = 0;
      DWORD wanted = static_cast<DWORD>(std::min(count - done, kLargestTransfer));
      if (!ReadFile(handle_, into + done, wanted, &got, &position)) {
        DWORD error = GetLastError();
        if (error == ERROR_HANDLE_EOF) break;
        throw EInOutError(InOutCodeForWindowsError(error));
      }
      if (got == 0) break;
      done += got;
    }
    return done;
  }

 private:
  HANDLE handle_;
};

class Win32ReplacementFile : public ReplacementFile {
 public:
  Win32ReplacementFile(HANDLE handle, std::wstring api_temporary, std::wstring api_target,
                       std::wstring target)
      : handle_(handle),
        api_temporary_(std::move(api_temporary)),
        api_target_(std::move(api_target)),
        target_(std::move(target)),
        cleanup_(api_temporary_) {}

  ~Win32ReplacementFile() override {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    if (!committed_) DeleteFileW(api_temporary_.c_str());
  }
  Win32ReplacementFile(const Win32ReplacementFile&) = delete;
  Win32ReplacementFile& operator=(const Win32ReplacementFile&) = delete;

  void WriteAt(uint64_t offset, const uint8_t* bytes, size_t count) override {
    while (count > 0) {
      OVERLAPPED position = {};
      position.Offset = static_cast<DWORD>(offset);
      position.OffsetHigh = static_cast<DWORD>(offset >> 32);
      DWORD written = 0;
      DWORD piece = static_cast<DWORD>(std::min(count, kLargestTransfer));
      if (!WriteFile(handle_, bytes, piece, &written, &position) || written == 0)
        throw EWriteError();
      bytes += written;
      offset += written;
      count -= written;
    }
  }

  void Commit() override {
    DWORD move_error = ERROR_SUCCESS;
    bool close_failed = false;
    bool finished = cleanup_.RunUninterrupted([&] {
      HANDLE handle = handle_;
      handle_ = INVALID_HANDLE_VALUE;
      // A network share may report a failed write only at close.
      if (!CloseHandle(handle)) {
        close_failed = true;
        return;
      }
      if (MoveFileExW(api_temporary_.c_str(), api_target_.c_str(), MOVEFILE_REPLACE_EXISTING))
        committed_ = true;
      else
        move_error = GetLastError();
    });
    if (close_failed) throw EWriteError();
    if (!finished) move_error = ERROR_OPERATION_ABORTED;
    if (!committed_)
      throw EFCreateError(Utf8FromWide(FullPathOf(target_)), SystemErrorText(move_error));
  }

 private:
  HANDLE handle_;
  std::wstring api_temporary_;
  std::wstring api_target_;
  std::wstring target_;
  InterruptCleanup cleanup_;
  bool committed_ = false;
};

}  // namespace

std::unique_ptr<ByteSource> OpenByteSource(const std::string& path) {
  std::wstring api_path = ApiPathFor(WideFromUtf8(path));
  // Others may go on reading and writing it; Pelorin only reads.
  HANDLE handle = CreateFileW(api_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    if (IsDirectory(api_path)) throw EInOutError(kFileAccessDenied);
    throw EInOutError(InOutCodeForWindowsError(error));
  }
  return std::make_unique<Win32ByteSource>(handle);
}

std::unique_ptr<ReplacementFile> CreateReplacementFile(const std::string& path) {
  std::wstring target = WideFromUtf8(path);
  std::wstring api_target = ApiPathFor(target);
  auto refuse = [&target](DWORD error) {
    return EFCreateError(Utf8FromWide(FullPathOf(target)), SystemErrorText(error));
  };

  // The rename at the end would fail on a directory, a read-only file or a
  // file another program holds open, but only after all the work: try
  // opening an existing file for writing, alone, first.
  // The attributes are checked by hand as well: Wine run as root, and some
  // network shares, would let a read-only file be opened and replaced.
  DWORD attributes = GetFileAttributesW(api_target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
    throw refuse(ERROR_ACCESS_DENIED);
  HANDLE probe = CreateFileW(api_target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    CloseHandle(probe);
  } else if (DWORD error = GetLastError(); error != ERROR_FILE_NOT_FOUND) {
    throw refuse(error);
  }

  std::wstring directory = WideFromUtf8(DirectoryPartOf(path));
  std::wstring base = target.substr(directory.size());
  for (unsigned attempt = 0;; ++attempt) {
    std::wstring temporary = directory + L"." + base + L"." +
                             std::to_wstring(GetCurrentProcessId()) + L"-" +
                             std::to_wstring(attempt) + L".tmp";
    std::wstring api_temporary = ApiPathFor(temporary);
    // FILE_SHARE_DELETE lets the console handler remove the file while the
    // conversion is still writing it.
    HANDLE handle = CreateFileW(api_temporary.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      DWORD error = GetLastError();
      // A name left behind by a run that was killed is skipped.
      if ((error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) && attempt < 100) continue;
      throw refuse(error);
    }
    return std::make_unique<Win32ReplacementFile>(handle, api_temporary, api_target, target);
  }
}

}  // namespace pelorin
