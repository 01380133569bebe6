// Paths and error texts as the Windows API gives them.
#ifndef PELORIN_PLATFORM_WIN32_WIN32_PATH_H_
#define PELORIN_PLATFORM_WIN32_WIN32_PATH_H_

#include <string>

namespace pelorin {

// The absolute form of `path` from GetFullPathNameW: the current directory
// (of the path's drive, for "C:name") joined with it, "." and ".." resolved.
// `path` itself when the system cannot make it absolute.
std::wstring FullPathOf(const std::wstring& path);

// The name to hand to the file API for `path`: the path as given while it
// is short, and its "\\?\" form once the absolute path nears MAX_PATH, so
// that deep folders work without the system-wide long path setting.
std::wstring ApiPathFor(const std::wstring& path);

// The system's text for a Windows error code, e.g. "Access is denied.", in
// UTF-8; "Error <code>" when the system has none.
std::string SystemErrorText(unsigned long code);

}  // namespace pelorin

#endif  // PELORIN_PLATFORM_WIN32_WIN32_PATH_H_
