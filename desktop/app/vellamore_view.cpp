// The main view: its controls, the lists and their layout.
// The commands that add, edit and delete entries are in
// vellamore_view_commands.cpp.
#include "vellamore_view.h"

#include <QComboBox>
#include <QHeaderView>
#include <QPrinter>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "control_ids.h"
#include "crt/crand.h"
#include "data_directory.h"
#include "file_list_filter.h"
#include "form_layout.h"
#include "help_window.h"
#include "hotsync_users.h"
#include "messages.h"
#include "view_formats.h"

namespace desktop {
namespace {

QIcon IconOfSizes(const QString& name) {
  QIcon icon;
  icon.addFile(QStringLiteral(":/icons/%1_16.png").arg(name), QSize(16, 16));
  icon.addFile(QStringLiteral(":/icons/%1_32.png").arg(name), QSize(32, 32));
  return icon;
}

// Room a push button's frame takes beside its text.
constexpr int kButtonPadding = 16;

// The width a label needs for its text, at least `designed`.
int LabelWidth(const QLabel* label, int designed) {
  return std::max(designed, label->fontMetrics().horizontalAdvance(label->text()) + 4);
}

void Place(QWidget* control, const ControlRect& rect) {
  control->setGeometry(rect.x, rect.y, std::max(rect.width, 0), std::max(rect.height, 0));
}

}  // namespace

// The pane shows the PC's "\r\n" line breaks as plain line breaks.
QString PaneTextOf(const std::string& text) {
  return QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

CVellamoreView::CVellamoreView(UserPrompts& prompts, ViewEnvironment environment, QWidget* parent)
    : QWidget(parent), m_prompts(prompts), m_environment(std::move(environment)) {
  ResolveDataDirectory();
  CreateControls();
  CreateListLockPoll();
}

CVellamoreView::~CVellamoreView() = default;

void CVellamoreView::CreateControls() {
  m_userLabel = new QLabel(QStringLiteral("User"), this);
  m_userFilter = new QComboBox(this);
  m_categoryLabel = new QLabel(QStringLiteral("Category"), this);
  m_categoryFilter = new QComboBox(this);
  m_fileList = new QTreeWidget(this);
  m_addButton = new QPushButton(QStringLiteral("Add ..."), this);
  m_deleteButton = new QPushButton(QStringLiteral("Delete"), this);
  m_detailsButton = new QPushButton(QStringLiteral("Details ..."), this);
  m_separator = new QFrame(this);
  m_paneTitle = new QLabel(QStringLiteral("File Name:"), this);
  m_textPane = new CContentEdit(this);
  m_pictureFrame = new QLabel(this);

  SetControlId(m_fileList, kIdFileList);
  SetControlId(m_textPane, kIdTextPane);
  SetControlId(m_addButton, kIdAddButton);
  SetControlId(m_deleteButton, kIdDeleteButton);
  SetControlId(m_userFilter, kIdUserFilter);
  SetControlId(m_categoryFilter, kIdCategoryFilter);
  SetControlId(m_userLabel, kIdUserLabel);
  SetControlId(m_categoryLabel, kIdCategoryLabel);
  SetControlId(m_detailsButton, kIdDetailsButton);
  SetControlId(m_pictureFrame, kIdPictureFrame);
  SetControlId(m_separator, kIdSeparator);
  SetControlId(m_paneTitle, kIdPaneTitle);

  ConfigureControls();
  ConnectControls();
}

void CVellamoreView::ConfigureControls() {
  m_fileList->setRootIsDecorated(false);
  m_fileList->setSelectionMode(QAbstractItemView::SingleSelection);
  m_fileList->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_fileList->setUniformRowHeights(true);
  m_fileList->setIconSize(QSize(16, 16));
  m_fileList->header()->setSectionsClickable(true);
  m_fileList->header()->setSectionsMovable(false);
  m_fileList->header()->setStretchLastSection(true);
  m_fileList->header()->setSortIndicatorShown(false);
  m_separator->setFrameShape(QFrame::VLine);
  m_separator->setFrameShadow(QFrame::Sunken);
  m_pictureFrame->setFrameStyle(QFrame::Box | QFrame::Sunken);
  m_pictureFrame->setAlignment(Qt::AlignCenter);
  m_pictureFrame->hide();

  // The system's font: controls whose texts need more room than the form
  // gives them get it, and the view never gets so small that one control
  // covers another.
  FormTextWidths designed;
  m_textWidths.userLabel = LabelWidth(m_userLabel, designed.userLabel);
  m_textWidths.categoryLabel = LabelWidth(m_categoryLabel, designed.categoryLabel);
  for (const QPushButton* button : {m_addButton, m_deleteButton, m_detailsButton}) {
    int needed = button->fontMetrics().horizontalAdvance(button->text()) + kButtonPadding;
    m_textWidths.button = std::max(m_textWidths.button, needed);
  }
  FormSize minimum = MinimumFormSize(m_textWidths);
  setMinimumSize(minimum.width, minimum.height);
  resize(kFormWidth, kFormHeight);
  LayoutControls();
}

void CVellamoreView::ConnectControls() {
  connect(m_fileList, &QTreeWidget::itemSelectionChanged, this,
          &CVellamoreView::OnSelectionChanged);
  connect(m_fileList, &QTreeWidget::itemDoubleClicked, this, [this] { ShowDetails(); });
  connect(m_fileList->header(), &QHeaderView::sectionClicked, this, &CVellamoreView::SortByColumn);
  connect(m_addButton, &QPushButton::clicked, this, [this] { AddFile(); });
  connect(m_deleteButton, &QPushButton::clicked, this, [this] { DeleteSelectedEntry(); });
  connect(m_detailsButton, &QPushButton::clicked, this, [this] { ShowDetails(); });
  connect(m_userFilter, &QComboBox::currentIndexChanged, this, &CVellamoreView::OnFilterChanged);
  connect(m_categoryFilter, &QComboBox::currentIndexChanged, this,
          &CVellamoreView::OnFilterChanged);
  connect(m_textPane, &CContentEdit::paneModeChanged, this, &CVellamoreView::editCommandsChanged);
  connect(m_textPane, &QPlainTextEdit::undoAvailable, this, &CVellamoreView::editCommandsChanged);
}

QSize CVellamoreView::sizeHint() const {
  return QSize(kFormWidth, kFormHeight);
}

void CVellamoreView::OnInitialUpdate() {
  platform::CSrand(static_cast<uint32_t>(std::time(nullptr)));
  QFont titleFont(QStringLiteral("Arial"));
  titleFont.setPixelSize(16);
  titleFont.setWeight(QFont::Bold);
  m_paneTitle->setFont(titleFont);
  m_pcFileIcon = IconOfSizes(QStringLiteral("pc_file"));
  m_handheldFileIcon = IconOfSizes(QStringLiteral("handheld_file"));

  LoadFileList();
  FillUserList();
  FillCategoryList();
  m_appliedUser = ComboText(m_userFilter);
  m_appliedCategory = ComboText(m_categoryFilter);
  SetupColumns();
  FillFileList();

  m_layoutReady = true;
  LayoutControls();
  m_textPane->show();
  m_pictureFrame->hide();
  m_pictureShown = false;
  if (m_fileList->topLevelItemCount() == 0) ShowEmptyList();
  SelectRow(0);
  m_fileList->setFocus();
}

void CVellamoreView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (m_layoutReady) LayoutControls();
}

void CVellamoreView::LayoutControls() {
  FormLayout layout = ComputeFormLayout(width(), height(), m_textWidths);
  Place(m_fileList, layout.fileList);
  Place(m_textPane, layout.textPane);
  // The picture takes the text's place in the pane, whatever the window's
  // size, and is drawn anew for the frame's new size.
  Place(m_pictureFrame, layout.textPane);
  if (m_pictureShown) PaintPictureCanvas();
  Place(m_separator, layout.separator);
  Place(m_addButton, layout.addButton);
  Place(m_deleteButton, layout.deleteButton);
  Place(m_detailsButton, layout.detailsButton);
  Place(m_userLabel, layout.userLabel);
  Place(m_categoryLabel, layout.categoryLabel);
  Place(m_paneTitle, layout.paneTitle);
  // A filter's height includes its open list; closed, it is as high as
  // its style draws it.
  for (auto [combo, rect] : {std::pair{m_userFilter, layout.userFilter},
                             std::pair{m_categoryFilter, layout.categoryFilter}}) {
    rect.height = std::min(rect.height, combo->sizeHint().height());
    Place(combo, rect);
  }
}

// --- The store image ------------------------------------------------------

void CVellamoreView::ResolveDataDirectory() {
  DataDirectory directory = desktop::ResolveDataDirectory(m_environment.programFolder);
  if (directory.replaced && directory.settingError != 0) {
    std::fprintf(stderr, "Vellamore: cannot store the data directory %s in the settings: %s\n",
                 directory.path.c_str(), std::strerror(directory.settingError));
  }
  m_model.SetDataDirectory(directory.path);
}

// --- The lists ------------------------------------------------------------

void CVellamoreView::FillUserList() {
  QSignalBlocker blocker(m_userFilter);
  m_userFilter->clear();
  for (const std::string& item :
       FileListModel::UserItems(ReadHotSyncUsers(m_environment.installAidePath))) {
    m_userFilter->addItem(QString::fromStdString(item));
  }
  m_userFilter->setCurrentIndex(m_userFilter->findText(kAllItem, Qt::MatchExactly));
}

void CVellamoreView::FillCategoryList() {
  QSignalBlocker blocker(m_categoryFilter);
  m_categoryFilter->clear();
  for (const std::string& item : m_model.CategoryItems()) {
    m_categoryFilter->addItem(QString::fromStdString(item));
  }
  m_categoryFilter->setCurrentIndex(m_categoryFilter->findText(kAllItem, Qt::MatchExactly));
}

void CVellamoreView::SetupColumns() {
  QStringList headers;
  for (const auto& column : FileListModel::kColumns) headers << QString::fromLatin1(column.header);
  m_fileList->setColumnCount(FileListModel::kColumnCount);
  m_fileList->setHeaderLabels(headers);
  for (int i = 0; i < FileListModel::kColumnCount; ++i) {
    m_fileList->setColumnWidth(i, FileListModel::kColumns[i].width);
    m_fileList->headerItem()->setTextAlignment(i, Qt::AlignLeft | Qt::AlignVCenter);
  }
}

void CVellamoreView::FillFileList() {
  m_model.Fill(ComboText(m_userFilter), ComboText(m_categoryFilter));
  ShowRows();
}

void CVellamoreView::ShowRows() {
  m_fileList->clear();
  QList<QTreeWidgetItem*> items;
  for (const FileListModel::Row& row : m_model.Rows()) items << ItemOf(row);
  m_fileList->addTopLevelItems(items);
}

QTreeWidgetItem* CVellamoreView::ItemOf(const FileListModel::Row& row) const {
  auto* item = new QTreeWidgetItem;
  item->setText(0, QString::fromStdString(row.texts.source));
  item->setText(1, QString::fromStdString(row.texts.name));
  item->setText(2, QString::fromStdString(row.texts.action));
  item->setText(3, QString::fromStdString(row.texts.format));
  item->setIcon(0, row.texts.image == kImagePcFile ? m_pcFileIcon : m_handheldFileIcon);
  // The widget finds a row's entry by the ID in its item, so that a row read
  // while the widget moves its items is always the one on screen.
  item->setData(0, Qt::UserRole, static_cast<uint>(row.id));
  return item;
}

int CVellamoreView::GetSelectedRow() const {
  for (int row = 0; row < m_fileList->topLevelItemCount(); ++row) {
    if (m_fileList->topLevelItem(row)->isSelected()) return row;
  }
  return -1;
}

int CVellamoreView::RowOfId(uint16_t id) const {
  for (int row = 0; row < m_fileList->topLevelItemCount(); ++row) {
    if (RowId(row) == id) return row;
  }
  return -1;
}

uint16_t CVellamoreView::RowId(int row) const {
  return static_cast<uint16_t>(m_fileList->topLevelItem(row)->data(0, Qt::UserRole).toUInt());
}

void CVellamoreView::SelectRow(int row) {
  if (row < 0 || row >= m_fileList->topLevelItemCount()) return;
  QTreeWidgetItem* item = m_fileList->topLevelItem(row);
  m_fileList->setCurrentItem(item);
  item->setSelected(true);
  m_fileList->scrollToItem(item);
}

void CVellamoreView::Reload() {
  LoadFileList();
  RefreshKeepingSelection();
}

void CVellamoreView::RefreshKeepingSelection() {
  int row = GetSelectedRow();
  if (row < 0) row = 0;
  std::optional<uint16_t> keep;
  if (row < m_fileList->topLevelItemCount()) keep = RowId(row);
  FillFileList();
  if (m_fileList->topLevelItemCount() > 0) {
    SelectRow(keep ? std::max(RowOfId(*keep), 0) : 0);
  } else {
    ShowEmptyList();
  }
  m_fileList->setFocus();
}

void CVellamoreView::SortByColumn(int column) {
  // The rows move; the selected and the current row stay what they were,
  // and the pane is not shown anew.
  int selected = GetSelectedRow();
  int current = m_fileList->currentIndex().row();
  std::vector<int> order = m_model.SortByColumn(column);
  QSignalBlocker blocker(m_fileList);
  ShowRows();
  for (int row = 0; row < static_cast<int>(order.size()); ++row) {
    QTreeWidgetItem* item = m_fileList->topLevelItem(row);
    if (order[static_cast<size_t>(row)] == current) {
      m_fileList->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
    }
    if (order[static_cast<size_t>(row)] == selected) item->setSelected(true);
  }
}

void CVellamoreView::OnFilterChanged() {
  // A changed text that still heads the new list stays; any other asks
  // first, and when the user keeps the text the filters go back.
  if (HasChangedText() && TopIdUnderFilters() != m_shownId && !OfferToSaveChangedText()) {
    RestoreFilters();
    FillFileList();
    KeepShownEntrySelected();
    m_fileList->setFocus();
    return;
  }
  m_appliedUser = ComboText(m_userFilter);
  m_appliedCategory = ComboText(m_categoryFilter);
  FillFileList();
  if (m_fileList->topLevelItemCount() > 0) {
    SelectRow(0);
  } else {
    ShowEmptyList();
  }
  m_fileList->setFocus();
}

std::optional<uint16_t> CVellamoreView::TopIdUnderFilters() const {
  return m_model.TopIdUnder(ComboText(m_userFilter), ComboText(m_categoryFilter));
}

void CVellamoreView::RestoreFilters() {
  for (auto [combo, text] :
       {std::pair{m_userFilter, &m_appliedUser}, std::pair{m_categoryFilter, &m_appliedCategory}}) {
    QSignalBlocker blocker(combo);
    int index = combo->findText(QString::fromStdString(*text), Qt::MatchExactly);
    if (index >= 0) combo->setCurrentIndex(index);
  }
}

void CVellamoreView::OnSelectionChanged() {
  // While a question about a changed text is open, a reload may select
  // rows anew; what to show is settled once the question is answered.
  if (m_askingAboutText) return;
  int row = GetSelectedRow();
  if (row < 0) return;
  uint16_t id = RowId(row);
  // The entry being edited selected anew (a reload or a refresh rebuilt
  // the list): the user's changes stay in the pane.
  if (HasChangedText() && m_shownId == id) return;
  if (!HasChangedText()) {
    ShowEntry(id);
  } else if (OfferToSaveChangedText()) {
    ShowChosenEntry(id);
  } else {
    KeepShownEntrySelected();
  }
}

void CVellamoreView::KeepShownEntrySelected() {
  QSignalBlocker blocker(m_fileList);
  int row = m_shownId ? RowOfId(*m_shownId) : -1;
  if (row >= 0) {
    SelectRow(row);
  } else {
    // Its entry left the list meanwhile: the text stays, with no row.
    m_fileList->clearSelection();
  }
}

void CVellamoreView::ShowChosenEntry(uint16_t id) {
  int row = RowOfId(id);
  if (row < 0) row = GetSelectedRow();
  if (row < 0 && m_fileList->topLevelItemCount() > 0) row = 0;
  if (row < 0) {
    ShowEmptyList();
    return;
  }
  {
    QSignalBlocker blocker(m_fileList);
    SelectRow(row);
  }
  ShowEntry(RowId(row));
}

void CVellamoreView::ShowEmptyList() {
  // Settled once the open question is answered; a kept text stays shown.
  if (m_askingAboutText || !OfferToSaveChangedText()) return;
  // The message is for reading only, whatever the pane showed before.
  SetPane(kNoFilesTitle, CContentEdit::kModePcDescription, kEmptyListText);
  m_shownId.reset();
}

std::string CVellamoreView::ComboText(const QComboBox* combo) const {
  int index = combo->currentIndex();
  if (index < 0) index = 0;
  return combo->itemText(index).toStdString();
}

std::vector<ListedRow> CVellamoreView::ListedRows() const {
  std::vector<ListedRow> rows;
  for (int row = 0; row < m_fileList->topLevelItemCount(); ++row) {
    const QTreeWidgetItem* item = m_fileList->topLevelItem(row);
    rows.push_back({RowId(row), item->text(0).toStdString(), item->text(1).toStdString(),
                    item->text(2).toStdString(), item->text(3).toStdString(), item->isSelected()});
  }
  return rows;
}

}  // namespace desktop
