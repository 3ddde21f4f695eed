// The main view's commands: adding a file, the details of an entry,
// deleting an entry, showing an entry in the pane, and the help window.
#include <QComboBox>

#include "file_list_filter.h"
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
  if (!MakeNewEntry(entry, FileTitleOf(*path), *path, store::kFormatHandheld, 0)) {
    m_prompts.MessageBox(WithArgument(kNoFileStatusText, *path), kAddFileCaption,
                         kMbOk | kMbIconExclamation);
    return;
  }
  if (!RunPcFileDetails(entry)) return;
  // A reload while the dialog was open may have brought an entry with the
  // same ID.
  if (FindEntryById(entry.id) != nullptr) entry.id = NewEntryId();
  int row = AppendEntry(entry);
  SelectRow(row);
  m_fileList->setFocus();
  SaveFileList();
}

bool CVellamoreView::MakeNewEntry(store::FileListEntry& entry, const std::string& fileTitle,
                                  const std::string& fullPath, uint16_t format, uint16_t category) {
  NewEntryRequest request;
  request.id = NewEntryId();
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

uint16_t CVellamoreView::NewEntryId() const {
  return m_image.NewEntryId();
}

int CVellamoreView::AppendEntry(const store::FileListEntry& entry) {
  m_image.Append(entry);
  return InsertListRow(entry);
}

bool CVellamoreView::RunPcFileDetails(store::FileListEntry& entry) {
  CPcFileDetailsDlg dialog(m_prompts, entry, m_image.Header(),
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
  const store::FileListEntry* entry = FindEntryById(id);
  if (entry == nullptr) return;
  // Entries received from the handheld have their own, read-only dialog.
  if (entry->kind != store::kPcFile) return;

  store::FileListEntry copy = *entry;
  if (!RunPcFileDetails(copy)) return;
  // The dialog runs its own event loop, in which a reload may replace the
  // store image: look the entry up again.
  store::FileListEntry* stored = FindEntryById(id);
  if (stored == nullptr) return;
  *stored = copy;
  RefreshKeepingSelection();
  SaveFileList();
}

void CVellamoreView::DeleteSelectedEntry() {
  int row = GetSelectedRow();
  if (row < 0) {
    m_prompts.MessageBox(kDeleteNoSelectionText, kDeleteCaption, kMbOk);
    return;
  }
  if (m_prompts.MessageBox(kDeleteQuestionText, kDeleteCaption, kMbYesNo) != kIdYes) return;
  // The row is read again: the question's event loop may have rebuilt the
  // list on a reload.
  row = GetSelectedRow();
  if (row < 0) return;
  m_image.RemoveById(RowId(row));
  delete m_fileList->takeTopLevelItem(row);
  if (row > 0) {
    SelectRow(row - 1);
  } else if (m_fileList->topLevelItemCount() == 0) {
    ShowEmptyList();
  } else {
    SelectRow(0);
  }
  m_fileList->setFocus();
  SaveFileList();
}

void CVellamoreView::ShowEntry(uint16_t id) {
  if (FindEntryById(id) == nullptr) return;
  // The pane's descriptions and received contents are not shown yet: a
  // selected entry leaves the pane empty.
  if (m_pictureShown) {
    m_pictureFrame->hide();
    m_textPane->show();
    m_pictureShown = false;
  }
  m_paneTitle->clear();
  m_textPane->SetPaneMode(CContentEdit::kModePcDescription);
  m_textPane->clear();
}

void CVellamoreView::OnHelp() {
  std::string path = m_image.HelpPath();
  std::optional<std::string> page = ReadHelpFile(path);
  if (!page) {
    m_prompts.MessageBox(WithArgument(kHelpMissingText, path), kHelpWindowTitle,
                         kMbOk | kMbIconExclamation);
    return;
  }
  if (!m_helpWindow) m_helpWindow = new CHelpWindow(window());
  m_helpWindow->ShowContents(QString::fromStdString(*page));
}

}  // namespace desktop
