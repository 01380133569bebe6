#include "platform/win32/wide_text.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <climits>

#include "platform/failure.h"

namespace pelorin {
namespace {

TEST(WideTextTest, RoundTripsEveryLetter) {
  // Greek, Chinese, and a letter beyond the 16-bit plane (a surrogate pair).
  const std::string utf8 =
      "caf\u00e9 \u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac \u6f22\u5b57 \U0001F600";
  const std::wstring wide =
      L"caf\u00e9 \u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac \u6f22\u5b57 \xD83D\xDE00";
  EXPECT_EQ(WideFromUtf8(utf8), wide);
  EXPECT_EQ(Utf8FromWide(wide), utf8);
  EXPECT_EQ(WideFromUtf8(""), L"");
  EXPECT_EQ(Utf8FromWide(L""), "");
}

// Address space for `bytes` that is never touched: enough to stand for a
// text too long to convert without the memory to hold one.
class ReservedSpace {
 public:
  explicit ReservedSpace(size_t bytes)
      : base_(VirtualAlloc(nullptr, bytes, MEM_RESERVE, PAGE_NOACCESS)) {}
  ~ReservedSpace() {
    if (base_) VirtualFree(base_, 0, MEM_RELEASE);
  }
  ReservedSpace(const ReservedSpace&) = delete;
  ReservedSpace& operator=(const ReservedSpace&) = delete;
  void* base() const { return base_; }

 private:
  void* base_;
};

TEST(WideTextTest, TextBeyondTheSystemsCountIsOutOfMemory) {
  const size_t units = static_cast<size_t>(INT_MAX) + 1;
  ReservedSpace narrow(units);
  ReservedSpace wide(units * sizeof(wchar_t));
  ASSERT_NE(narrow.base(), nullptr);
  ASSERT_NE(wide.base(), nullptr);
  EXPECT_THROW(WideFromUtf8(std::string_view(static_cast<const char*>(narrow.base()), units)),
               EOutOfMemory);
  EXPECT_THROW(Utf8FromWide(std::wstring_view(static_cast<const wchar_t*>(wide.base()), units)),
               EOutOfMemory);
}

}  // namespace
}  // namespace pelorin
