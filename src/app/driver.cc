#include "app/driver.h"

#include <memory>
#include <new>

#include "image/ici_image.h"
#include "image/tga_source.h"
#include "platform/byte_file.h"
#include "platform/failure.h"
#include "platform/path.h"
#include "platform/process.h"

namespace pelorin {

namespace {

constexpr char kPressEnter[] = "Press ENTER to continue...";

void ShowBanner(Console& console) {
  console.WriteLine("Pelorin converter    {by Zarnoth}");
  console.WriteLine("Visit https://pelorin.example.org - the best place for free stuff!");
  console.WriteLine("Everything free: java, pics, melodies, firmwares, soft");
}

void ShowUsage(Console& console) {
  console.WriteLine("USAGE: pelorin.exe <filename>");
  console.WriteLine(
      "Result file will be stored at the source directory with filename "
      "\"tic.ici\"");
}

void Convert(const std::string& source_path, Console& console) {
  console.WriteLine("Processing file: " + source_path);

  std::unique_ptr<ByteSource> file = OpenByteSource(source_path);
  TgaSource source(*file);
  source.ReadHeader();
  source.RequireAllPixels();

  std::unique_ptr<ReplacementFile> output = CreateReplacementFile(OutputPathFor(source_path));
  WriteIciImage(source, *output, kBandBytes, ChosenEncoderPath());
  // Every line so far goes out before the new file takes tic.ici's place,
  // so that a console that cannot be written fails the run while the older
  // tic.ici is still there. The lines after the commit can still fail: such
  // a run ends with status 1 and a complete new tic.ici, which is the truth.
  console.Flush();
  output->Commit();

  console.WriteLine("Finished!");
}

// Reports `failure` on the console's error stream, after every line written
// before it, and returns the exit status of a failed run. Whatever fails
// here has nowhere left to be reported; the status still tells.
int ReportFailure(const Failure& failure, Console& console) {
  try {
    console.Flush();
  } catch (const Failure&) {
  } catch (const std::bad_alloc&) {
  }
  try {
    console.WriteError(FailureReport(failure, ModuleName(), CodeOffset(failure.raise_site()),
                                     console.LineBreak()));
  } catch (const std::bad_alloc&) {
  }
  if (console.WaitsAfterFailure()) {
    // The report is out; a console that fails now changes nothing.
    try {
      console.WriteLine(kPressEnter);
      console.WaitForEnter();
    } catch (const Failure&) {
    } catch (const std::bad_alloc&) {
    }
  }
  return 1;
}

}  // namespace

int RunPelorin(const std::optional<std::string>& source_path, Console& console) {
  try {
    ShowBanner(console);
    if (source_path)
      Convert(*source_path, console);
    else
      ShowUsage(console);
    console.WriteLine(kPressEnter);
    console.WaitForEnter();
    console.Flush();
    return 0;
  } catch (const Failure& failure) {
    return ReportFailure(failure, console);
  } catch (const std::bad_alloc&) {
    // Memory ran out outside the places that raise EOutOfMemory themselves:
    // in a path, a line of text, a report. Its message is short enough for
    // the string to hold without allocating, so raising it needs no memory.
    return ReportFailure(EOutOfMemory(), console);
  }
}

}  // namespace pelorin
