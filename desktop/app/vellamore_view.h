// CVellamoreView: the program's only view, a form filling the main window.
// The file list on the left shows the store's entries for the chosen User
// and Category, newest first; the content pane on the right shows the
// selected entry; Add, Delete and Details stand under the list. The view
// owns the store image for the program's life and writes it whole after
// every change.
#pragma once

#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "content_edit.h"
#include "store_image.h"
#include "user_prompts.h"

class QComboBox;

namespace desktop {

class CHelpWindow;

// A text of the PC's form, lines broken with "\r\n", as the pane shows it.
QString PaneTextOf(const std::string& text);

// Where the view finds what lies outside the store.
struct ViewEnvironment {
  std::string programFolder;    // fallback data directory
  std::string installAidePath;  // the Install Aide library, for the user names
};

// One row of the file list as it stands on screen.
struct ListedRow {
  uint16_t id = 0;
  std::string source, name, action, format;
  bool selected = false;
};

class CVellamoreView : public QWidget {
  Q_OBJECT

 public:
  CVellamoreView(UserPrompts& prompts, ViewEnvironment environment, QWidget* parent = nullptr);
  ~CVellamoreView() override;

  // The first update: loads the store, fills the lists, lays out the form
  // and selects the first row.
  void OnInitialUpdate();

  // The store image.
  void ResolveDataDirectory();
  void LoadFileList();
  void ResetListHeader();
  void SaveFileList();

  // The lists.
  void FillUserList();
  void FillCategoryList();
  void SetupColumns();
  void FillFileList();
  int InsertListRow(const store::FileListEntry& entry);
  int GetSelectedRow() const;
  store::FileListEntry* FindEntryById(uint16_t id);
  void RefreshKeepingSelection();
  void DeleteSelectedEntry();
  void LayoutControls();
  void SortByColumn(int column);

  static std::string FormatSize(int64_t size);
  static std::string FormatDateTime(const store::HandheldDateTime& stamp);

  // Adding and editing entries.
  void AddFile();
  bool MakeNewEntry(store::FileListEntry& entry, const std::string& fileTitle,
                    const std::string& fullPath, uint16_t format, uint16_t category);
  uint16_t NewEntryId() const;
  int AppendEntry(const store::FileListEntry& entry);
  void ShowDetails();

  // The content pane.
  void ShowEntry(uint16_t id);
  void OnHelp();

  // What tests and the row dump look at.
  const StoreImage& Image() const { return m_image; }
  std::vector<ListedRow> ListedRows() const;
  QString PaneTitle() const { return m_paneTitle->text(); }
  QString PaneText() const { return m_textPane->toPlainText(); }
  QSize sizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void CreateControls();
  void ConfigureControls();
  void ConnectControls();
  void OnSelectionChanged();
  void OnFilterChanged();
  void ShowEmptyList();
  void SelectRow(int row);
  uint16_t RowId(int row) const;
  std::string ComboText(const QComboBox* combo) const;
  // Runs the PC File Details dialog on `entry`; true (and the entry
  // changed) on OK.
  bool RunPcFileDetails(store::FileListEntry& entry);

  UserPrompts& m_prompts;
  ViewEnvironment m_environment;
  StoreImage m_image;

  QTreeWidget* m_fileList = nullptr;
  CContentEdit* m_textPane = nullptr;
  QPushButton* m_addButton = nullptr;
  QPushButton* m_deleteButton = nullptr;
  QPushButton* m_detailsButton = nullptr;
  QComboBox* m_userFilter = nullptr;
  QComboBox* m_categoryFilter = nullptr;
  QLabel* m_userLabel = nullptr;
  QLabel* m_categoryLabel = nullptr;
  QLabel* m_paneTitle = nullptr;
  QLabel* m_pictureFrame = nullptr;
  QFrame* m_separator = nullptr;
  QPointer<CHelpWindow> m_helpWindow;

  QIcon m_pcFileIcon;
  QIcon m_handheldFileIcon;
  bool m_layoutReady = false;
  bool m_pictureShown = false;
};

}  // namespace desktop
