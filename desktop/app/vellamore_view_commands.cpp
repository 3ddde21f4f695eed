// The main view's commands: adding a file, the details of an entry,
// deleting an entry, and the help window.
#include <QComboBox>

#include "file_list_filter.h"
#include "fs/fs.h"
#include "handheld_file_details_dlg.h"
#include "help_file.h"
#include "help_window.h"
#include "hotsync_users.h"
#include "messages.h"
#include "new_entry.h"
#include "pc_file_details_dlg.h"
#include "vellamore_view.h"

namespace desktop {

void CVellamoreView::AddFile() {
  std::optional<std::string> path = m_prompts.ChooseOpenFile(kAllFilesFilter);
  if (!path) return;
  if (path->size() > kMaxPathLength) {
    m_prompts.MessageBox(WithArgument(kPathTooLongText, *path), kAddFileCaption,
                         kMbOk | kMbIconExclamation);
    return;
  }
  store::FileListEntry entry;
  if (!MakeNewEntry(entry, platform::FileNameOfPath(*path), *path, store::kFormatHandheld, 0)) {
    m_prompts.MessageBox(WithArgument(kNoFileStatusText, *path), kAddFileCaption,
                         kMbOk | kMbIconExclamation);
    return;
  }
  if (!RunPcFileDetails(entry)) return;
  // A reload while the dialog was open may have brought an entry with the
  // same ID.
  if (m_model.FindById(entry.id) != nullptr) entry.id = m_model.NewEntryId();
  int row = m_model.Add(entry);
  m_fileList->insertTopLevelItem(row, ItemOf(m_model.Rows()[static_cast<size_t>(row)]));
  SelectRow(row);
  m_fileList->setFocus();
  SaveFileList();
}

bool CVellamoreView::MakeNewEntry(store::FileListEntry& entry, const std::string& fileTitle,
                                  const std::string& fullPath, uint16_t format, uint16_t category) {
  NewEntryRequest request;
  request.id = m_model.NewEntryId();
  request.title = fileTitle;
  request.path = fullPath;
  request.user = ComboText(m_userFilter);
  request.format = format;
  request.category = category;
  std::optional<store::FileListEntry> built = BuildNewEntry(request);
  if (!built) return false;
  entry = std::move(*built);
  return true;
}

bool CVellamoreView::RunPcFileDetails(store::FileListEntry& entry) {
  CPcFileDetailsDlg dialog(m_prompts, entry, m_model.Header(),
                           ReadHotSyncUsers(m_environment.installAidePath), this);
  if (dialog.exec() != QDialog::Accepted) return false;
  entry = dialog.Entry();
  return true;
}

void CVellamoreView::ShowDetails() {
  int row = GetSelectedRow();
  if (row < 0) {
    m_prompts.MessageBox(kSelectItemText, kDetailsCaption, kMbOk);
    return;
  }
  uint16_t id = RowId(row);
  const store::FileListEntry* entry = m_model.FindById(id);
  if (entry == nullptr) return;
  // Entries received from the handheld have their own, read-only dialog.
  if (entry->kind != store::kPcFile) {
    CHandheldFileDetailsDlg dialog(*entry, m_model.Header(), this);
    dialog.exec();
    return;
  }

  store::FileListEntry before = *entry;
  store::FileListEntry edited = before;
  if (!RunPcFileDetails(edited)) return;
  if (!StillListedAfterQuestion(id, kDetailsCaption)) return;
  // Only the settings the user changed go over the entry as the list now
  // has it: stamps a HotSync wrote meanwhile stay.
  m_model.Apply(ListChange::EditSettings(before, edited));
  RefreshKeepingSelection();
  SaveFileList();
}

void CVellamoreView::DeleteSelectedEntry() {
  int row = GetSelectedRow();
  if (row < 0) {
    m_prompts.MessageBox(kDeleteNoSelectionText, kDeleteCaption, kMbOk);
    return;
  }
  uint16_t id = RowId(row);
  if (m_prompts.MessageBox(kDeleteQuestionText, kDeleteCaption, kMbYesNo) != kIdYes) return;
  if (!StillListedAfterQuestion(id, kDeleteCaption)) return;
  RemoveRowOf(id);
  m_fileList->setFocus();
  SaveFileList();
}

bool CVellamoreView::StillListedAfterQuestion(uint16_t id, const char* caption) {
  // A question runs its own event loop, in which a reload may replace the
  // store image; the entry is looked up again by the ID it had before.
  if (m_model.FindById(id) != nullptr) return true;
  m_prompts.MessageBox(kEntryGoneText, caption, kMbOk | kMbIconExclamation);
  return false;
}

void CVellamoreView::RemoveRowOf(uint16_t id) {
  int row = m_model.Remove(id);
  if (row < 0) return;  // a reload moved the entry out of the filters
  delete m_fileList->takeTopLevelItem(row);
  if (row > 0) {
    SelectRow(row - 1);
  } else if (m_fileList->topLevelItemCount() == 0) {
    ShowEmptyList();
  } else {
    SelectRow(0);
  }
}

void CVellamoreView::OnHelp() {
  std::vector<std::string> places =
      HelpFilePlaces(m_model.DataDirectory(), m_environment.programFolder);
  for (const std::string& place : places) {
    if (std::optional<std::string> page = ReadHelpFile(place)) {
      if (!m_helpWindow) m_helpWindow = new CHelpWindow(window());
      m_helpWindow->ShowContents(QString::fromStdString(*page));
      return;
    }
  }
  std::string tried;
  for (const std::string& place : places) tried += place + "\n";
  m_prompts.MessageBox(WithArgument(kHelpMissingText, tried), kHelpWindowTitle,
                       kMbOk | kMbIconExclamation);
}

}  // namespace desktop
