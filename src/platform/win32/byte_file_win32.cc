#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/byte_file.h"
#include "platform/failure.h"
#include "platform/interrupt_cleanup.h"
#include "platform/path.h"
#include "platform/temporary_name.h"
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

// Sets or clears the mark that has the system delete the file open at
// `handle` when its last handle closes, however the process ends.
bool MarkForDeletion(HANDLE handle, bool marked) {
  FILE_DISPOSITION_INFO disposition = {};
  disposition.DeleteFile = marked ? TRUE : FALSE;
  return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                    sizeof disposition) != 0;
}

// What SetFileInformationByHandle takes to give a file the name
// `full_path`, replacing a file of that name.
std::vector<unsigned char> RenameOverInfo(const std::wstring& full_path) {
  size_t name_bytes = full_path.size() * sizeof(wchar_t);
  // The structure holds the first character; the rest, and the terminating
  // zero, follow it.
  std::vector<unsigned char> info(sizeof(FILE_RENAME_INFO) + name_bytes);
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(info.data());
  rename->ReplaceIfExists = TRUE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(name_bytes);
  std::memcpy(rename->FileName, full_path.c_str(), name_bytes + sizeof(wchar_t));
  return info;
}

// Whether the file open at `handle` lies on a network share, which may hold
// written data back and report a failed write only when it stores it.
bool IsRemote(HANDLE handle) {
  FILE_REMOTE_PROTOCOL_INFO protocol = {};
  BOOL remote =
      GetFileInformationByHandleEx(handle, FileRemoteProtocolInfo, &protocol, sizeof protocol);
  return remote != 0;
}

// The temporary file is marked for deletion as soon as it exists, and stays
// marked until it takes the target's place through the one handle that
// owns it: the system removes it when the process ends, however it ends, so
// that a run that fails, is interrupted or is killed leaves nothing behind.
class Win32ReplacementFile : public ReplacementFile {
 public:
  explicit Win32ReplacementFile(std::wstring full_target)
      : full_target_(std::move(full_target)),
        rename_info_(RenameOverInfo(ApiPathFor(full_target_))),
        // Nothing for an interruption to remove: the system does it.
        cleanup_("") {}

  ~Win32ReplacementFile() override {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    if (unmarked_) DeleteFileW(api_temporary_.c_str());
  }
  Win32ReplacementFile(const Win32ReplacementFile&) = delete;
  Win32ReplacementFile& operator=(const Win32ReplacementFile&) = delete;

  // Creates the temporary file at `api_temporary` with `attributes`, marked
  // for deletion. Returns ERROR_SUCCESS or the error.
  DWORD Create(const std::wstring& api_temporary, DWORD attributes) {
    DWORD error = ERROR_SUCCESS;
    // Uninterrupted, so that no interruption ends the process between
    // making the file and marking it.
    bool ran = cleanup_.RunUninterrupted([&] {
      // No sharing: nobody else may open, rename or delete the file.
      HANDLE handle = CreateFileW(api_temporary.c_str(), GENERIC_WRITE | DELETE, 0, nullptr,
                                  CREATE_NEW, attributes, nullptr);
      if (handle == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return;
      }
      if (!MarkForDeletion(handle, true)) {
        error = GetLastError();
        CloseHandle(handle);
        DeleteFileW(api_temporary.c_str());
        return;
      }
      handle_ = handle;
      api_temporary_ = api_temporary;
    });
    return ran ? error : ERROR_OPERATION_ABORTED;
  }

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
    // A share may store the data only when the file is closed, after it has
    // replaced the target: stored now, a failed write leaves the target
    // intact.
    if (IsRemote(handle_) && !FlushFileBuffers(handle_)) throw EWriteError();
    DWORD error = ERROR_SUCCESS;
    bool committed = false;
    bool ran = cleanup_.RunUninterrupted([&] {
      if (!MarkForDeletion(handle_, false)) {
        error = GetLastError();
        return;
      }
      if (SetFileInformationByHandle(handle_, FileRenameInfo, rename_info_.data(),
                                     static_cast<DWORD>(rename_info_.size()))) {
        committed = true;
        return;
      }
      error = GetLastError();
      // Marked again, the file still goes when it is closed.
      unmarked_ = !MarkForDeletion(handle_, true);
    });
    if (!ran) error = ERROR_OPERATION_ABORTED;
    if (!committed) throw EFCreateError(Utf8FromWide(full_target_), SystemErrorText(error));
    // tic.ici is the user's now, not held open while the program waits.
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  std::wstring full_target_;
  std::vector<unsigned char> rename_info_;
  InterruptCleanup cleanup_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  std::wstring api_temporary_;
  // The file lost its mark and could not get it back: removed by name.
  bool unmarked_ = false;
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
  std::wstring full_target = FullPathOf(target);
  auto refuse = [&full_target](DWORD error) {
    return EFCreateError(Utf8FromWide(full_target), SystemErrorText(error));
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
  // A hidden or system tic.ici stays so once replaced.
  DWORD kept_attributes = attributes == INVALID_FILE_ATTRIBUTES
                              ? 0
                              : attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);

  std::string_view directory = DirectoryPartOf(path);
  std::string_view name = std::string_view(path).substr(directory.size());
  auto file = std::make_unique<Win32ReplacementFile>(full_target);
  for (unsigned attempt = 0;; ++attempt) {
    std::string temporary(directory);
    temporary += TemporaryFileName(name, GetCurrentProcessId(), attempt);
    DWORD error = file->Create(ApiPathFor(WideFromUtf8(temporary)),
                               kept_attributes != 0 ? kept_attributes : FILE_ATTRIBUTE_NORMAL);
    if (error == ERROR_SUCCESS) return file;
    // A name left behind by a run that was killed is skipped.
    bool taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
    if (!taken || attempt + 1 >= kTemporaryNameAttempts) throw refuse(error);
  }
}

}  // namespace pelorin
