// The tests' prompts, sandbox and store helpers.
#include "desktop_test_support.h"

#include <sys/stat.h>

#include <stdexcept>

#include "bytes/bytes.h"
#include "program_names.h"  // store/
#include "settings/settings.h"
#include "testing/files.h"
#include "testing/run_program.h"

namespace desktop::test {

int ScriptedPrompts::MessageBox(const std::string& text, const std::string& caption,
                                unsigned style) {
  shown.push_back({text, caption, style});
  if (whileShown) whileShown(Shown(shown.back()));
  if ((style & 0x0F) != kMbYesNo && (style & 0x0F) != kMbYesNoCancel) return kIdOk;
  if (answers.empty()) return kIdYes;
  int answer = answers.front();
  answers.pop_front();
  return answer;
}

std::optional<std::string> ScriptedPrompts::ChooseOpenFile(const std::string& filter) {
  ++openDialogs;
  if (filter != "All  Files|*.*" || openFiles.empty()) return std::nullopt;
  auto path = openFiles.front();
  openFiles.pop_front();
  return path;
}

std::optional<std::string> ScriptedPrompts::ChooseSaveFile(const std::string& filter,
                                                           const std::string& proposed) {
  ++saveDialogs;
  proposedSaves.push_back(proposed);
  if (whileChoosingSave) whileChoosingSave();
  if (filter != "All  Files|*.*" || saveFiles.empty()) return std::nullopt;
  auto path = saveFiles.front();
  saveFiles.pop_front();
  return path;
}

std::vector<std::string> ScriptedPrompts::Captions() const {
  std::vector<std::string> captions;
  for (const Shown& box : shown) captions.push_back(box.caption);
  return captions;
}

namespace {

void MakeFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0700) != 0) throw std::runtime_error("cannot make " + path);
}

}  // namespace

Sandbox::Sandbox() {
  for (const std::string& folder : {DataDir(), ProgramDir()}) MakeFolder(folder);
}

void Sandbox::UseDataDir() const {
  if (platform::settings::SetValue(store::kDirectoriesKey, store::kDataDirValue, DataDir()) != 0)
    throw std::runtime_error("cannot set the data directory");
}

void Sandbox::AddHotSyncUsers(const std::vector<std::string>& users) const {
  for (const std::string& user : users) MakeFolder(HotSyncHome() + "/" + user);
}

std::string Sandbox::MakeFile(const std::string& name, size_t size) const {
  const std::string path = PathOf(name);
  vlmtest::WriteFile(path, std::string(size, 'x'));
  return path;
}

store::FileListEntry MakeEntry(const EntrySpec& spec) {
  store::FileListEntry entry;
  entry.id = spec.id;
  entry.title = spec.title;
  entry.path = "/home/pc/" + spec.title;
  entry.user = spec.user;
  entry.category = spec.category;
  entry.kind = spec.kind;
  entry.action = spec.action;
  entry.format = spec.format;
  entry.size = spec.size;
  entry.created.bytes = {20, 24, 3, 14, 9, 30, 0, 0};
  entry.modified.bytes = {20, 24, 3, 15, 17, 5, 0, 0};
  return entry;
}

store::FileListEntry ReceivedEntry(uint16_t id, const std::string& title, uint16_t format,
                                   const std::string& copy) {
  store::FileListEntry entry = MakeEntry({.id = id,
                                          .title = title,
                                          .kind = store::kReceivedFile,
                                          .action = store::kActionReceived,
                                          .format = format});
  entry.receivedCopy = copy;
  return entry;
}

void WriteStore(const std::string& path, const std::vector<store::FileListEntry>& entries,
                const std::optional<store::FileListStore::Header>& header) {
  store::FileListStore image;
  image.SetHeader(header.value_or(store::FileListStore::DefaultHeader()));
  for (const auto& entry : entries) image.Append(entry);
  if (image.Save(path) != 0) throw std::runtime_error("cannot write " + path);
}

std::optional<store::FileListStore> ReadStore(const std::string& path) {
  store::FileListStore image;
  if (!image.Load(path, store::FileListStore::MissingStore::kZeroHeader)) return std::nullopt;
  return image;
}

store::FileListStore::Header HeaderWithLabels(const std::vector<std::string>& labels) {
  store::FileListStore::Header header = store::FileListStore::DefaultHeader();
  for (size_t i = 0; i < store::FileListStore::kCategoryCount; ++i) {
    std::string label = i < labels.size() ? labels[i] : "";
    platform::PutFixedText(header, store::FileListStore::kCategoryLabelsOffset + i * 16, 16, label);
  }
  return header;
}

std::string InstallAidePath() {
  return vlmtest::BinPath(store::kInstallAideFileName);
}

}  // namespace desktop::test
