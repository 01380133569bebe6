#include "testing/console_texts.h"

#include <iterator>

namespace pelorin::testing {

namespace {

std::vector<std::string> Banner() { return {std::begin(kBannerLines), std::end(kBannerLines)}; }

}  // namespace

std::vector<std::string> UsageScreen() {
  std::vector<std::string> lines = Banner();
  lines.insert(lines.end(), std::begin(kUsageLines), std::end(kUsageLines));
  lines.emplace_back(kPressEnter);
  return lines;
}

std::vector<std::string> ScreenBeforeFailure(const std::string& shown_path) {
  std::vector<std::string> lines = Banner();
  lines.push_back(kProcessingFile + shown_path);
  return lines;
}

std::vector<std::string> ConversionScreen(const std::string& shown_path) {
  std::vector<std::string> lines = ScreenBeforeFailure(shown_path);
  lines.emplace_back(kFinished);
  lines.emplace_back(kPressEnter);
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines, const std::string& line_break) {
  std::string text;
  for (const std::string& line : lines) text += line + line_break;
  return text;
}

}  // namespace pelorin::testing
