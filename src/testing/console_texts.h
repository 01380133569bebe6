// The fixed texts Pelorin shows on its console, line by line, as every test
// of the driver and of the built program expects them. How lines end is
// the caller's: JoinLines() puts the line breaks in.
#ifndef PELORIN_TESTING_CONSOLE_TEXTS_H_
#define PELORIN_TESTING_CONSOLE_TEXTS_H_

#include <string>
#include <vector>

namespace pelorin::testing {

inline const char* const kBannerLines[] = {
    "Pelorin converter    {by Zarnoth}",
    "Visit https://pelorin.example.org - the best place for free stuff!",
    "Everything free: java, pics, melodies, firmwares, soft",
};
inline const char* const kUsageLines[] = {
    "USAGE: pelorin.exe <filename>",
    "Result file will be stored at the source directory with filename \"tic.ici\"",
};
inline constexpr char kProcessingFile[] = "Processing file: ";  // then the path as given
inline constexpr char kFinished[] = "Finished!";
inline constexpr char kPressEnter[] = "Press ENTER to continue...";

// The whole screen without a source path: banner, usage, the wait.
std::vector<std::string> UsageScreen();
// What is shown of a conversion of `shown_path` before it fails.
std::vector<std::string> ScreenBeforeFailure(const std::string& shown_path);
// The whole screen of a conversion of `shown_path` that succeeds.
std::vector<std::string> ConversionScreen(const std::string& shown_path);

// `lines`, each ended by `line_break`.
std::string JoinLines(const std::vector<std::string>& lines, const std::string& line_break);

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_CONSOLE_TEXTS_H_
