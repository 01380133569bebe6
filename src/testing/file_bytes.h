// Test helpers: whole files as byte strings.
#ifndef PELORIN_TESTING_FILE_BYTES_H_
#define PELORIN_TESTING_FILE_BYTES_H_

#include <string>

namespace pelorin::testing {

// The whole file at `path`; throws when it cannot be read.
std::string ReadFileBytes(const std::string& path);
// Makes `path` hold exactly `bytes`; throws when it cannot be written.
void WriteFileBytes(const std::string& path, const std::string& bytes);
// Whether `path` names anything; a link counts, not what it points to.
bool PathExists(const std::string& path);

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_FILE_BYTES_H_
