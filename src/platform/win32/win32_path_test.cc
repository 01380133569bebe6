#include "platform/win32/win32_path.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "testing/case_name.h"

namespace pelorin {
namespace {

using testing::CaseName;

// Wine does not hold programs to MAX_PATH, so the program's long-path runs
// pass there either way; the form chosen is checked here instead.
struct ShortPathCase {
  const char* name;
  const wchar_t* path;
};
void PrintTo(const ShortPathCase& c, std::ostream* os) { *os << c.name; }

const ShortPathCase kShortPaths[] = {
    {"Name", L"x.tga"},       {"ForwardSlash", L"pics/x.tga"},  {"DriveRelative", L"C:x.tga"},
    {"Parent", L"..\\x.tga"}, {"Absolute", L"C:\\pics\\x.tga"}, {"Device", L"NUL"},
};

class ApiPathForShortPath : public ::testing::TestWithParam<ShortPathCase> {};

TEST_P(ApiPathForShortPath, KeepsItAsGiven) {
  EXPECT_EQ(ApiPathFor(GetParam().path), GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(Paths, ApiPathForShortPath, ::testing::ValuesIn(kShortPaths), CaseName());

TEST(ApiPathFor, GivesLongPathsTheExtendedForm) {
  std::wstring folders;
  for (int i = 0; i < 6; ++i) folders += std::wstring(50, L'a' + i) + L"/";
  std::wstring local = L"C:\\" + folders + L"x.tga";
  std::wstring extended = ApiPathFor(local);
  EXPECT_EQ(extended.rfind(L"\\\\?\\C:\\aaaa", 0), 0u);
  // The extended form takes no '/' and no "..": it comes from the full path.
  EXPECT_EQ(extended.find(L'/'), std::wstring::npos);
  EXPECT_EQ(extended, L"\\\\?\\" + FullPathOf(local));

  std::wstring shared = L"\\\\server\\share\\" + folders + L"x.tga";
  EXPECT_EQ(ApiPathFor(shared).rfind(L"\\\\?\\UNC\\server\\share\\aaaa", 0), 0u);

  EXPECT_EQ(ApiPathFor(L"\\\\?\\" + local), L"\\\\?\\" + local);
}

TEST(FullPathOf, ResolvesAgainstTheCurrentFolder) {
  wchar_t current[MAX_PATH];
  DWORD length = GetCurrentDirectoryW(MAX_PATH, current);
  std::wstring folder(current, length);
  if (folder.back() != L'\\') folder += L'\\';
  EXPECT_EQ(FullPathOf(L"tic.ici"), folder + L"tic.ici");
  EXPECT_EQ(FullPathOf(L"a/b/../tic.ici"), folder + L"a\\tic.ici");
}

TEST(SystemErrorText, GivesTheSystemsWords) {
  EXPECT_FALSE(SystemErrorText(ERROR_ACCESS_DENIED).empty());
  EXPECT_NE(SystemErrorText(ERROR_ACCESS_DENIED), SystemErrorText(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(SystemErrorText(0x3FFFFFFF), "Error 1073741823");
}

}  // namespace
}  // namespace pelorin
