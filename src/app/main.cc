#include "app/driver.h"
#include "platform/console.h"
#include "platform/process.h"

int main(int argc, char* argv[]) {
  std::unique_ptr<pelorin::Console> console = pelorin::OpenStandardConsole();
  return pelorin::RunPelorin(pelorin::SourcePathArgument(argc, argv), *console);
}
