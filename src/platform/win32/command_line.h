// The Windows command line, taken apart the way Windows programs of
// Pelorin's kind always have: not by the C runtime's argv rules, which treat
// backslashes before quotes specially and would change paths like "C:\x\".
#ifndef PELORIN_PLATFORM_WIN32_COMMAND_LINE_H_
#define PELORIN_PLATFORM_WIN32_COMMAND_LINE_H_

#include <string>
#include <string_view>
#include <vector>

namespace pelorin {

// Splits `command_line` into its words, the program's name first:
// - runs of characters with codes 1 to 32 separate words;
// - a stretch in double quotes belongs to the word it stands in; the quotes
//   go, the blanks and tabs inside stay; a quote left open runs to the end;
// - an empty pair of double quotes where a word would begin is skipped;
// - the list ends before the first empty word.
// Backslashes are ordinary characters.
std::vector<std::wstring> SplitCommandLine(std::wstring_view command_line);

}  // namespace pelorin

#endif  // PELORIN_PLATFORM_WIN32_COMMAND_LINE_H_
