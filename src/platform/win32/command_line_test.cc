#include "platform/win32/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelorin {
namespace {

struct SplitCase {
  const wchar_t* command_line;
  std::vector<std::wstring> words;
};

// Raw command lines as CreateProcessW passes them, and the words the program
// must see: program name first.
const SplitCase kSplitCases[] = {
    {L"", {}},
    {L"pelorin.exe", {L"pelorin.exe"}},
    {L"pelorin.exe logo.tga", {L"pelorin.exe", L"logo.tga"}},
    {L"  pelorin.exe   logo.tga  ", {L"pelorin.exe", L"logo.tga"}},
    // Every control character up to the blank separates, not only blank
    // and tab.
    {L"pelorin.exe\tlogo.tga\x01x\x1f"
     L"y\r\nz",
     {L"pelorin.exe", L"logo.tga", L"x", L"y", L"z"}},
    {L"\"C:\\Program Files\\Pelorin\\pelorin.exe\" \"C:\\my pics\\logo.tga\"",
     {L"C:\\Program Files\\Pelorin\\pelorin.exe", L"C:\\my pics\\logo.tga"}},
    // Quotes belong to the word they stand in, wherever they are.
    {L"p my\" \"pic.tga", {L"p", L"my pic.tga"}},
    {L"p \"my \"pic\" 2\".tga", {L"p", L"my pic 2.tga"}},
    {L"p \"a\tb\"", {L"p", L"a\tb"}},
    // Backslashes are plain characters, also before a quote.
    {L"p \"C:\\pics\\\" next", {L"p", L"C:\\pics\\", L"next"}},
    {L"p a\\\\\"b c\"", {L"p", L"a\\\\b c"}},
    // An empty pair where a word would begin is passed over.
    {L"p \"\" x.tga", {L"p", L"x.tga"}},
    {L"p \"\"\"\"  \"\" x.tga", {L"p", L"x.tga"}},
    {L"p \"\"x.tga", {L"p", L"x.tga"}},
    {L"p \"\"", {L"p"}},
    {L"p a\"\"b", {L"p", L"ab"}},
    // A quote left open runs to the end of the line.
    {L"p \"my pic.tga", {L"p", L"my pic.tga"}},
    {L"p a.tga \" b.tga", {L"p", L"a.tga", L" b.tga"}},
    // After a skipped pair, a third quote opens a stretch.
    {L"p \"\"\" x.tga", {L"p", L" x.tga"}},
    // Counting stops at the first empty word: a lone quote at the end
    // makes one.
    {L"p \"", {L"p"}},
    {L"p a.tga \"", {L"p", L"a.tga"}},
    // A quoted blank is a word, not an empty one.
    {L"p \" \" x", {L"p", L" ", L"x"}},
    // Letters beyond the ANSI code pages pass unchanged, surrogates too.
    {L"p \"\u0395\u03bb\u03bb\u03ac\u03b4\u03b1 \u6f22\u5b57\\\U0001F600.tga\"",
     {L"p", L"\u0395\u03bb\u03bb\u03ac\u03b4\u03b1 \u6f22\u5b57\\\U0001F600.tga"}},
};

class SplitCommandLineTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineTest, GivesTheWordsOfTheLine) {
  const SplitCase& split = GetParam();
  EXPECT_EQ(SplitCommandLine(split.command_line), split.words);
}

INSTANTIATE_TEST_SUITE_P(RawLines, SplitCommandLineTest, ::testing::ValuesIn(kSplitCases));

TEST(SplitCommandLine, StopsAtAnEmbeddedZero) {
  std::wstring line(L"p a.tga");
  line += L'\0';
  line += L"b.tga";
  EXPECT_EQ(SplitCommandLine(line), (std::vector<std::wstring>{L"p", L"a.tga"}));
}

}  // namespace
}  // namespace pelorin
