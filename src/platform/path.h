// Path rules: where a directory part ends, and where the result of a
// conversion goes.
//
// Paths are handled as text, exactly as the user typed them: the directory
// part of a path is everything up to and including its last separator, and
// nothing is added, removed or normalised. On Windows the separators are
// '\', '/' and the drive's ':', so "C:logo.tga" has the directory part "C:"
// (the current folder of drive C); elsewhere only '/' separates.
#ifndef PELORIN_PLATFORM_PATH_H_
#define PELORIN_PLATFORM_PATH_H_

#include <string>
#include <string_view>

namespace pelorin {

// The name of every file Pelorin writes.
constexpr std::string_view kOutputFileName = "tic.ici";

// The characters that end the directory part of a path on this platform.
std::string_view PathSeparators();

// Everything up to and including the last of `separators` in `path`; empty
// when there is none.
std::string_view DirectoryPartOf(std::string_view path,
                                 std::string_view separators = PathSeparators());

// Where the result for `source_path` goes: its directory part followed by
// "tic.ici", so "pics/logo.tga" gives "pics/tic.ici" and "logo.tga" gives
// "tic.ici" in the working directory.
std::string OutputPathFor(std::string_view source_path,
                          std::string_view separators = PathSeparators());

}  // namespace pelorin

#endif  // PELORIN_PLATFORM_PATH_H_
