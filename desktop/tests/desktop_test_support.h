// Shared pieces of the desktop program's tests: a UserPrompts that answers
// from a script and records what it was asked, a sandbox of temporary
// folders for the settings, the data directory and the HotSync users, and
// store entries and files built for a test.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "file_list_store.h"
#include "testing/scoped_env.h"
#include "testing/temp_folder.h"
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

// Temporary folders, and the environment pointed at them while it lives:
// XDG_CONFIG_HOME (the settings), XDG_RUNTIME_DIR (the window station) and
// HOTSYNC_HOME (the HotSync users). Removed with everything in them.
class Sandbox {
 public:
  Sandbox();

  const std::string& Root() const { return m_root; }
  std::string ConfigHome() const { return m_root + "/config"; }
  std::string RuntimeDir() const { return m_root + "/runtime"; }
  std::string HotSyncHome() const { return m_root + "/hotsync"; }
  std::string DataDir() const { return m_root + "/data"; }
  std::string ProgramDir() const { return m_root + "/program"; }
  std::string StorePath() const { return DataDir() + "/Vellamore.dat"; }

  // Points "DataDir" at the sandbox's data folder.
  void UseDataDir() const;
  // Makes HotSync users (their folders in HOTSYNC_HOME).
  void AddHotSyncUsers(const std::vector<std::string>& users) const;
  // Writes a file of `size` bytes into the sandbox; returns its path.
  std::string MakeFile(const std::string& name, size_t size) const;

 private:
  vlmtest::TempFolder m_folder;
  const std::string m_root = m_folder.Path();
  vlmtest::ScopedEnv m_configHome{"XDG_CONFIG_HOME", ConfigHome()};
  vlmtest::ScopedEnv m_runtimeDir{"XDG_RUNTIME_DIR", RuntimeDir()};
  vlmtest::ScopedEnv m_hotSyncHome{"HOTSYNC_HOME", HotSyncHome()};
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
