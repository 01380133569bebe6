#include "platform/path.h"

namespace pelorin {

std::string_view DirectoryPartOf(std::string_view path, std::string_view separators) {
  size_t last = path.find_last_of(separators);
  return last == std::string_view::npos ? std::string_view() : path.substr(0, last + 1);
}

std::string OutputPathFor(std::string_view source_path, std::string_view separators) {
  std::string path(DirectoryPartOf(source_path, separators));
  path.append(kOutputFileName);
  return path;
}

}  // namespace pelorin
