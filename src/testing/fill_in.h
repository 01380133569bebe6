// Test helper: texts with blanks such as "{root}" that only the running
// test can fill in, e.g. with its temporary directory, so that case tables
// can stay fixed.
#ifndef PELORIN_TESTING_FILL_IN_H_
#define PELORIN_TESTING_FILL_IN_H_

#include <string>
#include <utility>
#include <vector>

namespace pelorin::testing {

// `text` with every blank of `values` replaced by its value.
inline std::string FillIn(std::string text,
                          const std::vector<std::pair<std::string, std::string>>& values) {
  for (const auto& [blank, value] : values) {
    for (size_t at = text.find(blank); at != std::string::npos;
         at = text.find(blank, at + value.size()))
      text.replace(at, blank.size(), value);
  }
  return text;
}

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_FILL_IN_H_
