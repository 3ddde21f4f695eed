// Test support: Vellamore's settings (in the folder that XDG_CONFIG_HOME
// names) written for a test: the data directory, and a stand-in for the mail
// and fax programs.
#pragma once

#include <string>

namespace vlmtest {

// Sets or removes the "DataDir" setting; fails the test when it cannot.
void SetDataDirSetting(const std::string& dataDir);
void RemoveDataDirSetting();

// Writes a capture script as `folder`/capture.sh and names it as the mail
// and fax programs; its path. The script writes its name and arguments,
// each ended by a NUL, to `folder`/capture.args and its standard input to
// capture.stdin, prints $CAPTURE_STDERR on its standard error when that is
// set, and exits with $CAPTURE_EXIT (0 when unset). Fails the test when it
// cannot be made.
std::string UseCaptureProgramForMailAndFax(const std::string& folder);

}  // namespace vlmtest
