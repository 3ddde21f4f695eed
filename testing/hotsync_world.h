// Test support for end-to-end tests: a handheld image and a PC folder in a
// home of the test's own (its HotSync data, settings and window station),
// with a data folder, in which the real programs run: `handheld` plays the
// handheld application and `hotsync sync` (or `hotsync listen` with
// `handheld connect`) runs HotSyncs with the built conduit VellamoreCnd.so.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "file_list_store.h"  // store/
#include "process/process_runner.h"
#include "testing/handheld_home.h"
#include "testing/log_line.h"
#include "testing/network_hotsync.h"
#include "testing/program_settings.h"

namespace vlmtest {

class HotSyncWorld : public HandheldHome {
 public:
  explicit HotSyncWorld(const std::string& userName = "Ada");
  ~HotSyncWorld();

  std::string DataFolder() const { return Home().PathOf("data"); }

  // Runs `handheld ARGUMENTS...` on the image (the image is the second
  // argument, after the command). Fails the test when it does not succeed.
  platform::ProcessResult Handheld(const std::string& command,
                                   const std::vector<std::string>& arguments = {}) const;
  // Runs `hotsync sync IMAGE OPTIONS...` with `extraEnvironment` (NAME=value)
  // and returns its result; the HotSync log then holds this HotSync only.
  platform::ProcessResult HotSync(const std::vector<std::string>& extraEnvironment = {},
                                  const std::vector<std::string>& options = {}) const;
  // One HotSync of the image over the network (`hotsync listen --once` and
  // `handheld connect`, see network_hotsync.h); the HotSync log then holds
  // this HotSync only.
  NetworkHotSyncResult NetworkHotSync(const std::vector<std::string>& connectOptions = {},
                                      const std::vector<std::string>& listenOptions = {},
                                      const LinkChoice& link = {}) const;
  // Puts the handheld application's database on the handheld, as the
  // handheld of a user of the product has it; a network HotSync runs the
  // conduit only for a handheld that has a database of its creator.
  void InstallHandheldApplication() const;
  // The HotSync log entries of the last HotSync.
  std::vector<LogLine> Log() const;

  // The request preference's request code and status.
  uint8_t Request() const;
  uint8_t Status() const;

  // Replaces the content of the files database's record `index` with
  // `content`, as the user's editing on the handheld does.
  void EditOnHandheld(size_t index, const std::string& content) const;

  // "Vellamore.dat" in the data folder.
  store::FileListStore LoadStore() const;
  void SaveStore(const store::FileListStore& list) const;
  // Appends to `list` an entry of the PC file `name`, written below
  // PcFolder() as "The file NAME\n" and changed since it was last sent, to go
  // to `user`'s handheld as `action` says; the entry as appended.
  store::FileListEntry& AddPcFile(store::FileListStore& list, const std::string& name,
                                  uint16_t action, const std::string& user = "Ada") const;

  // Names the capture program as the mail and fax programs; what they were
  // given lands in CaptureFile() + ".args" and ".stdin".
  void UseCaptureProgramForMailAndFax() const { vlmtest::UseCaptureProgramForMailAndFax(Root()); }
  std::string CaptureFile() const { return Home().PathOf("capture"); }

 private:
  std::string LogPath() const;

  std::string m_userName;
};

}  // namespace vlmtest
