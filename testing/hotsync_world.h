// Test support for end-to-end tests: a temporary world with its own HotSync
// data, settings and window station, a handheld image and a PC folder, in
// which the real programs run: `handheld` plays the handheld application
// and `hotsync sync` runs HotSyncs with the built conduit VellamoreCnd.so.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "file_list_store.h"  // store/
#include "pdb/handheld_image.h"
#include "process/process_runner.h"
#include "testing/files.h"
#include "testing/log_line.h"
#include "testing/scoped_env.h"
#include "testing/temp_folder.h"

namespace vlmtest {

// Writes a capture script into `folder` and names it as the mail and fax
// programs (in the settings that XDG_CONFIG_HOME names); what they were given
// lands in `folder`/capture.args and capture.stdin.
void UseCaptureProgramForMailAndFax(const std::string& folder);

class HotSyncWorld {
 public:
  explicit HotSyncWorld(const std::string& userName = "Ada");
  ~HotSyncWorld();
  HotSyncWorld(const HotSyncWorld&) = delete;
  HotSyncWorld& operator=(const HotSyncWorld&) = delete;

  const std::string& Root() const { return m_folder.Path(); }
  std::string PcFolder() const { return m_folder.PathOf("pc"); }
  std::string DataFolder() const { return m_folder.PathOf("data"); }
  const platform::pdb::HandheldImage& Image() const { return m_image; }

  // Writes a PC file below PcFolder(); its path.
  std::string WritePcFile(const std::string& relative, const std::string& content) const {
    return WriteFileBelow(PcFolder(), relative, content);
  }

  // Runs `handheld ARGUMENTS...` on the image (the image is the second
  // argument, after the command). Fails the test when it does not succeed.
  platform::ProcessResult Handheld(const std::string& command,
                                   const std::vector<std::string>& arguments = {}) const;
  // Runs `hotsync sync IMAGE` with `extraEnvironment` (NAME=value) and
  // returns its result; the HotSync log then holds this HotSync only.
  platform::ProcessResult HotSync(const std::vector<std::string>& extraEnvironment = {}) const;
  // The HotSync log entries of the last HotSync.
  std::vector<LogLine> Log() const;

  // The request preference's request code and status.
  uint8_t Request() const;
  uint8_t Status() const;

  // "Vellamore.dat" in the data folder.
  store::FileListStore LoadStore() const;
  void SaveStore(const store::FileListStore& list) const;

  // Names a capture script as the mail and fax programs; what they were
  // given lands in CaptureFile() + ".args" and ".stdin".
  void UseCaptureProgramForMailAndFax() const { vlmtest::UseCaptureProgramForMailAndFax(Root()); }
  std::string CaptureFile() const { return m_folder.PathOf("capture"); }

 private:
  TempFolder m_folder;
  std::string m_userName;
  platform::pdb::HandheldImage m_image;
  std::vector<std::unique_ptr<ScopedEnv>> m_environment;
};

}  // namespace vlmtest
