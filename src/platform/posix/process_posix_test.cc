#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/process.h"

namespace pelorin {
namespace {

std::optional<std::string> SourcePathOf(std::vector<std::string> arguments) {
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  return SourcePathArgument(static_cast<int>(arguments.size()), argv.data());
}

TEST(SourcePathArgumentTest, TakesTheFirstNonEmptyArgument) {
  struct Case {
    std::vector<std::string> argv;
    std::optional<std::string> source;
  } cases[] = {
      {{"pelorin"}, std::nullopt},
      {{"pelorin", ""}, std::nullopt},
      {{"pelorin", "", ""}, std::nullopt},
      {{"pelorin", "a.tga"}, "a.tga"},
      {{"pelorin", "a.tga", "b.tga"}, "a.tga"},
      {{"pelorin", "", "b.tga"}, "b.tga"},
      {{"pelorin", "my pics/\"x\".tga"}, "my pics/\"x\".tga"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argv.size());
    EXPECT_EQ(SourcePathOf(c.argv), c.source);
  }
}

TEST(ModuleNameTest, IsTheProgramFileWithoutItsDirectory) {
  EXPECT_EQ(ModuleName(), "pelorin_tests");
}

}  // namespace
}  // namespace pelorin
