// Running condcfg and uninst beside set-up, and asking the Conduit Manager
// whether the conduit is registered.
#include "palm_programs.h"

#include <vector>

#include "condmgr/condmgr.h"
#include "process/process_runner.h"
#include "program_names.h"  // store/

namespace setup {
namespace {

// Runs `argv`, whose program is a file name in `palmFolder`. Its standard
// output only repeats what the caller says itself, so just its messages on
// standard error are kept.
PalmStep RunBeside(const std::string& palmFolder, std::vector<std::string> argv) {
  argv[0] = palmFolder + "/" + argv[0];
  const platform::ProcessResult result = platform::RunProcess(argv);
  PalmStep step;
  step.succeeded = result.Succeeded();
  step.messages = result.standardError;
  if (!step.succeeded) step.failure = argv[0] + " " + platform::DescribeProcessResult(result);
  return step;
}

}  // namespace

std::string ConduitPath(const std::string& palmFolder) {
  return palmFolder + "/" + store::kConduitFileName;
}

PalmStep RegisterConduit(const std::string& palmFolder) {
  return RunBeside(palmFolder, {"condcfg", "add", store::kCreatorIdText, ConduitPath(palmFolder)});
}

bool ConduitRegistered() {
  char name[64];
  int32_t size = sizeof name;
  const int32_t result = CmGetCreatorName(store::kCreatorIdText, name, &size);
  return result == kCmErrNone || result == kCmErrBufferTooSmall;
}

PalmStep RunUninstaller(const std::string& palmFolder) {
  return RunBeside(palmFolder, {"uninst", "-c", palmFolder + "/" + store::kInstallAideFileName});
}

}  // namespace setup
