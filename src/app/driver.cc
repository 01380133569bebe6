#include "app/driver.h"

#include <memory>

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
  console.Flush();
  output->Commit();

  console.WriteLine("Finished!");
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
    // Every line written so far comes before the report; if even that
    // fails, the report still goes out.
    try {
      console.Flush();
    } catch (const Failure&) {
    }
    console.WriteError(FailureReport(failure, ModuleName(), CodeOffset(failure.raise_site()),
                                     console.LineBreak()));
    if (console.WaitsAfterFailure()) {
      // The report is out; a console that fails now changes nothing.
      try {
        console.WriteLine(kPressEnter);
        console.WaitForEnter();
      } catch (const Failure&) {
      }
    }
    return 1;
  }
}

}  // namespace pelorin
