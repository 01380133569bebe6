#include "platform/win32/line_wait.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "testing/case_name.h"

namespace pelorin {
namespace {

using testing::CaseName;

// An input that hands out `data` as a pipe would: at most what was asked
// for, and never more than `piece` bytes at a time; then `end_error`, or
// reads of nothing when that is 0.
class ScriptedInput {
 public:
  ScriptedInput(std::string data, size_t piece, DWORD end_error = 0)
      : data_(std::move(data)), piece_(piece), end_error_(end_error) {}

  InputReader Reader() {
    return [this](char* into, DWORD size, DWORD& got) -> DWORD {
      asked_.push_back(size);
      got = 0;
      if (at_ == data_.size()) return end_error_;
      size_t count = std::min({static_cast<size_t>(size), piece_, data_.size() - at_});
      std::memcpy(into, data_.data() + at_, count);
      at_ += count;
      got = static_cast<DWORD>(count);
      return 0;
    };
  }

  // How many bytes each read asked for.
  const std::vector<DWORD>& asked() const { return asked_; }
  size_t consumed() const { return at_; }

 private:
  std::string data_;
  size_t piece_;
  DWORD end_error_;
  size_t at_ = 0;
  std::vector<DWORD> asked_;
};

TEST(DiscardThroughLineFeedTest, ReadsBlocksUntilOneHoldsALineFeed) {
  // Four mebibytes typed or piped without a line break, then one.
  ScriptedInput input(std::string(4 << 20, 'x') + "\nnext line\n", 1 << 30);
  EXPECT_EQ(DiscardThroughLineFeed(input.Reader()), 0u);
  ASSERT_FALSE(input.asked().empty());
  for (DWORD size : input.asked()) EXPECT_EQ(size, kLineWaitBlock);
  // Block by block: the line feed is in the 65th block, and reading stops
  // there.
  EXPECT_EQ(input.asked().size(), (4u << 20) / kLineWaitBlock + 1);
}

TEST(DiscardThroughLineFeedTest, StopsAtTheLineFeedHoweverTheInputComes) {
  // A pipe hands out what its writer wrote so far: Enter may come alone.
  ScriptedInput input("typed\r\n", 1);
  EXPECT_EQ(DiscardThroughLineFeed(input.Reader()), 0u);
  EXPECT_EQ(input.consumed(), 7u);
  EXPECT_EQ(input.asked().size(), 7u);
}

struct EndCase {
  const char* name;
  DWORD end_error;  // what a read at the end returns
  DWORD result;
};
void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }

const EndCase kEndCases[] = {
    {"EndOfFile", 0, 0},
    {"WriterClosedThePipe", ERROR_BROKEN_PIPE, 0},
    {"HandleAtEndOfFile", ERROR_HANDLE_EOF, 0},
    {"ReadFails", ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
    {"DeviceFails", ERROR_GEN_FAILURE, ERROR_GEN_FAILURE},
};

class InputEnd : public ::testing::TestWithParam<EndCase> {};

TEST_P(InputEnd, EndsTheWaitWithoutALineFeed) {
  ScriptedInput input(std::string(100000, 'x'), 1 << 30, GetParam().end_error);
  EXPECT_EQ(DiscardThroughLineFeed(input.Reader()), GetParam().result);
  EXPECT_EQ(input.consumed(), 100000u);
}

INSTANTIATE_TEST_SUITE_P(Ends, InputEnd, ::testing::ValuesIn(kEndCases), CaseName());

}  // namespace
}  // namespace pelorin
