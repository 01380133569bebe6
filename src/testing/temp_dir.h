// Test helper: a real temporary directory, and the names inside one.
#ifndef PELORIN_TESTING_TEMP_DIR_H_
#define PELORIN_TESTING_TEMP_DIR_H_

#include <string>
#include <vector>

namespace pelorin::testing {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // `name` inside the directory.
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  // The names in the directory, sorted, without "." and "..".
  std::vector<std::string> Names() const;

 private:
  std::string path_;
};

// The names in `directory`, sorted, without "." and "..".
std::vector<std::string> NamesIn(const std::string& directory);

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_TEMP_DIR_H_
