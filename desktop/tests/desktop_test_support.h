// Shared pieces of the desktop program's tests: a UserPrompts that answers
// from a script and records what it was asked, a sandbox of temporary
// folders for the settings, the window station, the HotSync users and the
// data directory, and store entries and files built for a test.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "file_list_store.h"
#include "testing/files.h"
#include "testing/private_home.h"
#include "user_prompts.h"

namespace desktop::test {

class ScriptedPrompts : public UserPrompts {
 public:
  struct Shown {
    std::string text, caption;
    unsigned style = 0;
  };

  // Answers for Yes/No (and Yes/No/Cancel) boxes, in order; once used up,
  // Yes.
  std::deque<int> answers;
  // Paths the open-file dialog returns, in order; once used up, cancel.
  std::deque<std::optional<std::string>> openFiles;
  // Paths the save-file dialog returns, in order; once used up, cancel.
  std::deque<std::optional<std::string>> saveFiles;
  int saveDialogs = 0;
  // The path each save-file dialog opened on.
  std::vector<std::string> proposedSaves;
  // Runs while the save-file dialog is open, before it is answered.
  std::function<void()> whileChoosingSave;
  std::vector<Shown> shown;
  int openDialogs = 0;
  // Runs while a box is open, before it is answered: what happens in the
  // event loop of a real modal box (a reload, say).
  std::function<void(const Shown&)> whileShown;

  int MessageBox(const std::string& text, const std::string& caption, unsigned style) override;
  std::optional<std::string> ChooseOpenFile(const std::string& filter) override;
  std::optional<std::string> ChooseSaveFile(const std::string& filter,
                                            const std::string& proposed) override;

  // Captions of every box shown, in order.
  std::vector<std::string> Captions() const;
};

// A home of the test's own (the settings, the window station and the
// HotSync users), with a data directory and a program folder beside them.
// Removed with everything in them.
class Sandbox : public vlmtest::PrivateHome {
 public:
  Sandbox();

  std::string DataDir() const { return PathOf("data"); }
  std::string ProgramDir() const { return PathOf("program"); }
  std::string StorePath() const { return DataDir() + "/Vellamore.dat"; }

  // Points "DataDir" at the sandbox's data folder.
  void UseDataDir() const;
  // Makes HotSync users (their folders in HOTSYNC_HOME).
  void AddHotSyncUsers(const std::vector<std::string>& users) const;
  // Writes a file of `size` bytes into the sandbox; returns its path.
  std::string MakeFile(const std::string& name, size_t size) const;
};

struct EntrySpec {
  uint16_t id = 0;
  std::string title;
  std::string user = "All";
  uint16_t category = 0;
  uint16_t kind = store::kPcFile;
  uint16_t action = store::kActionIfChanged;
  uint16_t format = store::kFormatHandheld;
  uint32_t size = 100;
};

store::FileListEntry MakeEntry(const EntrySpec& spec);
// The entry of a file received from the handheld (`format` 1 a text, 2 a
// picture, 3 data), its copy at `copy`.
store::FileListEntry ReceivedEntry(uint16_t id, const std::string& title, uint16_t format,
                                   const std::string& copy = "");

// Writes a store of the default header (or `header`) and the entries.
void WriteStore(const std::string& path, const std::vector<store::FileListEntry>& entries,
                const std::optional<store::FileListStore::Header>& header = std::nullopt);
// Reads the store back; nothing when the file cannot be read.
std::optional<store::FileListStore> ReadStore(const std::string& path);

// A header with `labels` as the category labels 0, 1, ... (the rest empty).
store::FileListStore::Header HeaderWithLabels(const std::vector<std::string>& labels);

// The Install Aide library the build made, beside the programs.
std::string InstallAidePath();

}  // namespace desktop::test
