// Vellamore's settings for the tests.
#include "testing/program_settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "program_names.h"  // store/
#include "settings/settings.h"
#include "testing/files.h"

namespace vlmtest {

void SetDataDirSetting(const std::string& dataDir) {
  EXPECT_EQ(platform::settings::SetValue(store::kDirectoriesKey, store::kDataDirValue, dataDir), 0);
}

void RemoveDataDirSetting() {
  EXPECT_EQ(platform::settings::DeleteValue(store::kDirectoriesKey, store::kDataDirValue), 0);
}

std::string UseCaptureProgramForMailAndFax(const std::string& folder) {
  const std::string script = folder + "/capture.sh";
  const std::string capture = folder + "/capture";
  WriteFile(script,
            "#!/bin/sh\nprintf '%s\\0' \"$0\" \"$@\" > '" + capture + ".args'\ncat > '" + capture +
                ".stdin'\n" +
                "if [ -n \"$CAPTURE_STDERR\" ]; then printf '%s\\n' \"$CAPTURE_STDERR\" >&2; fi\n"
                "exit \"${CAPTURE_EXIT:-0}\"\n");
  EXPECT_EQ(chmod(script.c_str(), 0755), 0) << "cannot make " << script << " runnable";
  for (const char* program : {store::kMailProgramValue, store::kFaxProgramValue}) {
    EXPECT_EQ(platform::settings::SetValue(store::kParametersKey, program, script), 0) << program;
  }
  return script;
}

}  // namespace vlmtest
