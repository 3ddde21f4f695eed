// CVellamoreView: the program's only view, a form filling the main window.
// The file list on the left shows the store's entries for the chosen User
// and Category, newest first; the content pane on the right shows the
// selected entry; Add, Delete and Details stand under the list. The list's
// rows and the store image they come from are a FileListModel, which the
// view shows and writes whole after every change.
#pragma once

#include <QFrame>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "content_edit.h"
#include "file_list_model.h"
#include "form_layout.h"
#include "user_prompts.h"

class QComboBox;
class QPainter;
class QPrinter;
class QTimer;

namespace desktop {

class CHelpWindow;
class PrintLayout;

// A text of the PC's form, lines broken with "\r\n", as the pane shows it.
QString PaneTextOf(const std::string& text);

// Where the view finds what lies outside the store.
struct ViewEnvironment {
  std::string programFolder;    // fallback data directory
  std::string installAidePath;  // the Install Aide library, for the user names
};

// Which edit commands the pane allows now; Copy always is.
struct EditCommandState {
  bool cut = false, paste = false, undo = false, save = false;
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
  // After another writer changed the store: reads it again (the user's
  // changes not yet written are applied to it again) and shows it, the
  // selected entry still selected where it is still listed.
  void Reload();

  // The commands on the list's entries.
  void AddFile();
  void DeleteSelectedEntry();
  void ShowDetails();

  // The content pane (vellamore_view_pane.cpp).
  // Save writes the pane's text over the selected entry's received copy,
  // Save As to a file the user names; both only for an editable received
  // text. True when the text was written.
  bool SaveText();
  bool SaveTextAs();
  EditCommandState EditCommands() const;
  void OnEditUndo();
  void OnEditCut();
  // A shown picture goes to the clipboard as an image, else the pane's
  // selected text.
  void OnEditCopy();
  void OnEditPaste();
  void OnHelp();

  // Printing the pane (vellamore_view_print.cpp): the print dialog, the
  // preview and the page setup share one printer and its settings, which
  // start with margins of 15 mm. Printouts use the device's default font.
  void OnFilePrint();
  void OnFilePrintPreview();
  void OnFilePrintSetup();

  // The rows and the store image the view shows.
  const FileListModel& Model() const { return m_model; }
  // The rows as they stand on screen, top to bottom.
  std::vector<ListedRow> ListedRows() const;
  QSize sizeHint() const override;
  // True while a change waits for another writer to release the list.
  bool IsWaitingForList() const;
  // Before the program closes: true unless a change still waits to be saved
  // and the user chooses to stay until it is.
  bool CanClose();

 signals:
  // A save starts or stops waiting for another writer (a HotSync) to
  // release the list.
  void waitingForListChanged(bool waiting);
  // What EditCommands() answers may have changed.
  void editCommandsChanged();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void CreateControls();
  void ResolveDataDirectory();
  // Reads the store file; the user's changes not yet written are applied
  // to it again.
  void LoadFileList();
  // Writes the user's changes: under the list lock, the file is read again,
  // the changes are applied to it and it is written whole. While another
  // writer holds the lock the save waits for it, polled from a timer.
  void SaveFileList();

  // The lists.
  void FillUserList();
  void FillCategoryList();
  void SetupColumns();
  // Fills the model's rows under the filters as they stand and shows them.
  void FillFileList();
  // Puts the model's rows on screen, none selected.
  void ShowRows();
  QTreeWidgetItem* ItemOf(const FileListModel::Row& row) const;
  int GetSelectedRow() const;
  void RefreshKeepingSelection();
  void LayoutControls();
  void SortByColumn(int column);

  // Adding entries.
  bool MakeNewEntry(store::FileListEntry& entry, const std::string& fileTitle,
                    const std::string& fullPath, uint16_t format, uint16_t category);

  // The content pane.
  void ShowEntry(uint16_t id);
  void ShowPcDescription(const store::FileListEntry& entry);
  void ShowReceivedDescription(const store::FileListEntry& entry);
  void ShowReceivedText(const store::FileListEntry& entry);
  void ShowReceivedPicture(const store::FileListEntry& entry);
  // Writes the pane's text to `path` through a temporary file, so a failed
  // write leaves the file as it was; says so when it fails, and clears the
  // pane's modified mark when it does not.
  bool WritePaneText(const std::string& path);
  void CreateListLockPoll();
  void ConfigureControls();
  void ConnectControls();
  void OnSelectionChanged();
  void OnFilterChanged();
  void ShowEmptyList();
  void SelectRow(int row);
  uint16_t RowId(int row) const;
  int RowOfId(uint16_t id) const;
  std::string ComboText(const QComboBox* combo) const;
  // After a question: true when the entry of `id` is still in the list;
  // otherwise tells the user that nothing was changed.
  bool StillListedAfterQuestion(uint16_t id, const char* caption);
  // Deletes the entry of `id`, takes its row out and selects the row
  // above it.
  void RemoveRowOf(uint16_t id);
  // Saving under the list lock (vellamore_view_save.cpp).
  void TrySaveUnderLock();
  void SetWaitingForList(bool waiting);
  void TellDroppedChanges(const std::vector<ListChange>& dropped);
  // Runs the PC File Details dialog on `entry`; true (and the entry
  // changed) on OK.
  bool RunPcFileDetails(store::FileListEntry& entry);
  bool HasChangedText() const;
  // Before the pane shows something else: asks whether to save a changed
  // text. True when the pane may move on (nothing changed, the text was
  // saved, or the user let it go); false when the text stays (Cancel, or a
  // Save As that did not happen).
  bool OfferToSaveChangedText();
  // After the user kept a changed text: its entry's row is selected again,
  // found by ID (a reload may have moved it), without asking anything.
  void KeepShownEntrySelected();
  // After a question let the pane move on: shows the entry of `id` if it is
  // still listed, else what the list holds now.
  void ShowChosenEntry(uint16_t id);
  // The ID that heads the list under the filters as they stand now.
  std::optional<uint16_t> TopIdUnderFilters() const;
  // Puts back the filters that the list was last filled with.
  void RestoreFilters();
  // Save As once the command may run: asks for a file, proposing the shown
  // entry's own received file, and writes the pane's text to it. Also when
  // the list has no selection left (a filter emptied it, or the program
  // closes).
  bool ChooseFileAndWritePaneText();
  void ShowTextPane();
  void SetPane(const std::string& title, int mode, const std::string& text);
  // Draws the loaded picture centred on black over the whole frame.
  void PaintPictureCanvas();
  bool CanSaveText() const;
  // Printing: before a print dialog or preview, the selected entry's title
  // names the job and is proposed as the name of a file printed to. The
  // entry's ID; nothing (and the user told) when nothing is selected.
  std::optional<uint16_t> PrepareToPrint();
  QPrinter& Printer();
  // After the print dialog: prints the title of the entry of `id` over the
  // pane's text (or the picture shown) on `printer`; when a reload took the
  // entry out of the list meanwhile, tells the user and prints nothing.
  void PrintTo(QPrinter& printer, uint16_t id);
  void PrintPage(QPainter& painter, const PrintLayout& layout, int page);
  void PrintPicture(QPainter& painter, const PrintLayout& layout);

  UserPrompts& m_prompts;
  ViewEnvironment m_environment;
  FileListModel m_model;

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
  QTimer* m_listLockPoll = nullptr;

  QIcon m_pcFileIcon;
  QIcon m_handheldFileIcon;
  FormTextWidths m_textWidths;
  bool m_layoutReady = false;
  bool m_pictureShown = false;
  // True while a question about a changed text, or its Save As, is open:
  // a reload meanwhile rebuilds the list but does not touch the pane.
  bool m_askingAboutText = false;
  // The filter texts the list was last filled with.
  std::string m_appliedUser, m_appliedCategory;
  // The entry the pane shows, and the picture last loaded for it (null
  // when it could not be read; m_pictureProblem then says why).
  std::optional<uint16_t> m_shownId;
  QImage m_loadedPicture;
  QString m_pictureProblem;
  std::unique_ptr<QPrinter> m_printer;
};

}  // namespace desktop
