// Test helper: the name the wide Windows API takes for a UTF-8 path, in its
// long form where the path needs one.
#ifndef PELORIN_TESTING_WIN32_API_PATH_H_
#define PELORIN_TESTING_WIN32_API_PATH_H_

#include <string>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_path.h"

namespace pelorin::testing {

inline std::wstring ApiPath(const std::string& path) { return ApiPathFor(WideFromUtf8(path)); }

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_WIN32_API_PATH_H_
