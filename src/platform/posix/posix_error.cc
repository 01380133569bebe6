#include "platform/posix/posix_error.h"

#include <errno.h>
#include <unistd.h>

#include <vector>

#include "platform/failure.h"

namespace pelorin {

InOutCode InOutCodeForErrno(int error) {
  switch (error) {
    case ENOENT:
      return kFileNotFound;
    case ENOTDIR:
      return kInvalidFilename;
    case EMFILE:
    case ENFILE:
      return kTooManyOpenFiles;
    case EACCES:
    case EPERM:
      return kFileAccessDenied;
    case ENOSPC:
      return kDiskFull;
    default:
      return InOutCode::System(error);
  }
}

std::string AbsolutePathText(std::string_view current_directory, std::string_view path) {
  std::string joined;
  if (path.empty() || path.front() != '/') {
    joined.append(current_directory);
    joined += '/';
  }
  joined.append(path);

  std::vector<std::string_view> segments;
  std::string_view rest = joined;
  while (!rest.empty()) {
    size_t end = rest.find('/');
    std::string_view segment = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (segment.empty() || segment == ".") continue;
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
      continue;
    }
    segments.push_back(segment);
  }

  std::string absolute;
  for (std::string_view segment : segments) {
    absolute += '/';
    absolute.append(segment);
  }
  return absolute.empty() ? "/" : absolute;
}

std::string AbsolutePath(const std::string& path) {
  std::string current_directory(256, '\0');
  while (getcwd(current_directory.data(), current_directory.size()) == nullptr) {
    // The directory may be gone, or its name too long to fetch: the path as
    // given is then the best name we have.
    if (errno != ERANGE) return path;
    current_directory.resize(current_directory.size() * 2);
  }
  current_directory.resize(current_directory.find('\0'));
  return AbsolutePathText(current_directory, path);
}

}  // namespace pelorin
