#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/process.h"
#include "testing/case_name.h"

namespace pelorin {
namespace {

using testing::CaseName;

std::optional<std::string> SourcePathOf(std::vector<std::string> arguments) {
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  return SourcePathArgument(static_cast<int>(arguments.size()), argv.data());
}

struct ArgvCase {
  const char* name;
  std::vector<std::string> argv;
  std::optional<std::string> source;
};
void PrintTo(const ArgvCase& c, std::ostream* os) { *os << c.name; }

const ArgvCase kArgvCases[] = {
    {"NoArgument", {"pelorin"}, std::nullopt},
    {"OneEmptyArgument", {"pelorin", ""}, std::nullopt},
    {"TwoEmptyArguments", {"pelorin", "", ""}, std::nullopt},
    {"OneArgument", {"pelorin", "a.tga"}, "a.tga"},
    {"TwoArguments", {"pelorin", "a.tga", "b.tga"}, "a.tga"},
    {"EmptyThenAnArgument", {"pelorin", "", "b.tga"}, "b.tga"},
    {"BlankSlashAndQuotes", {"pelorin", "my pics/\"x\".tga"}, "my pics/\"x\".tga"},
};

class SourcePathArgumentTest : public ::testing::TestWithParam<ArgvCase> {};

TEST_P(SourcePathArgumentTest, TakesTheFirstNonEmptyArgument) {
  EXPECT_EQ(SourcePathOf(GetParam().argv), GetParam().source);
}

INSTANTIATE_TEST_SUITE_P(CommandLines, SourcePathArgumentTest, ::testing::ValuesIn(kArgvCases),
                         CaseName());

TEST(ModuleNameTest, IsTheProgramFileWithoutItsDirectory) {
  EXPECT_EQ(ModuleName(), "pelorin_tests");
}

}  // namespace
}  // namespace pelorin
