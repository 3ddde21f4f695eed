// The PC File Details dialog: its controls, their contents and OK.
#include "pc_file_details_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "control_ids.h"
#include "dialog_parts.h"
#include "elided_label.h"
#include "file_list_filter.h"
#include "messages.h"
#include "pc_file_details.h"

namespace desktop {
namespace {

QComboBox* EditableSortedCombo(QWidget* parent, int id) {
  auto* combo = new QComboBox(parent);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setMinimumWidth(150);
  SetControlId(combo, id);
  return combo;
}

QLabel* ValueLabel(QWidget* parent, int id) {
  auto* label = new QLabel(parent);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  SetControlId(label, id);
  return label;
}

// Fills a sorted combo box and shows `text`: the item of that name when
// there is one, otherwise the text alone in the edit field.
void FillCombo(QComboBox* combo, const std::vector<std::string>& items, const std::string& text) {
  for (const std::string& item : SortedAsListBox(items)) {
    combo->addItem(QString::fromStdString(item));
  }
  QString wanted = QString::fromStdString(text);
  int index =
      text.empty() ? -1 : combo->findText(wanted, Qt::MatchExactly | Qt::MatchCaseSensitive);
  combo->setCurrentIndex(index);
  combo->setEditText(index >= 0 ? combo->itemText(index) : wanted);
}

// A date text without the line break that ends it.
QString DateLabelText(const std::string& text) {
  return QString::fromStdString(text).trimmed();
}

}  // namespace

CPcFileDetailsDlg::CPcFileDetailsDlg(UserPrompts& prompts, const store::FileListEntry& entry,
                                     const store::FileListStore::Header& header,
                                     std::vector<std::string> hotSyncUsers, QWidget* parent)
    : QDialog(parent),
      m_prompts(prompts),
      m_entry(entry),
      m_header(header),
      m_hotSyncUsers(std::move(hotSyncUsers)) {
  setWindowTitle(QString::fromLatin1(kPcFileDetailsTitle));
  CreateControls();
  OnInitDialog();
}

void CPcFileDetailsDlg::CreateControls() {
  m_user = EditableSortedCombo(this, kIdDetailsUser);
  m_category = EditableSortedCombo(this, kIdDetailsCategory);
  m_private = new QCheckBox(QStringLiteral("Private"), this);
  SetControlId(m_private, kIdDetailsPrivate);
  m_action = EditableSortedCombo(this, kIdDetailsAction);
  m_palmFormat = new QRadioButton(
      QStringLiteral("Palm format (convert to make it easy to read and edit on Palm)"), this);
  m_pcFormat = new QRadioButton(
      QStringLiteral("PC format (do not convert the file.  Can't be edited on Palm)"), this);
  SetControlId(m_palmFormat, kIdDetailsPalmFormat);
  SetControlId(m_pcFormat, kIdDetailsPcFormat);
  m_file = ValueLabel(this, kIdDetailsFile);
  m_location = new CElidedLabel(this);
  m_location->setTextInteractionFlags(Qt::TextSelectableByMouse);
  SetControlId(m_location, kIdDetailsLocation);
  m_size = ValueLabel(this, kIdDetailsSize);
  m_created = ValueLabel(this, kIdDetailsCreated);
  m_modified = ValueLabel(this, kIdDetailsModified);
  m_lastSent = ValueLabel(this, kIdDetailsLastSent);
  LayOutControls();
}

void CPcFileDetailsDlg::LayOutControls() {
  auto* grid = new QGridLayout;
  grid->setColumnStretch(1, 1);
  int row = 0;
  auto addRow = [&](const char* label, QWidget* value, QWidget* extra = nullptr) {
    grid->addWidget(new QLabel(QString::fromLatin1(label), this), row, 0);
    grid->addWidget(value, row, 1);
    if (extra != nullptr) grid->addWidget(extra, row, 2);
    ++row;
  };
  // A file's name and place span the dialog to its right edge.
  auto addSpanningRow = [&](const char* label, QWidget* value) {
    grid->addWidget(new QLabel(QString::fromLatin1(label), this), row, 0);
    grid->addWidget(value, row++, 1, 1, 2);
  };
  auto addWide = [&](QWidget* widget) { grid->addWidget(widget, row++, 0, 1, 3); };

  addRow("User:", m_user);
  addRow("Category:", m_category, m_private);
  addWide(SunkenLine(this));
  addRow("Send to Palm:", m_action);
  addWide(m_palmFormat);
  addWide(m_pcFormat);
  addWide(SunkenLine(this));
  addSpanningRow("File:", m_file);
  addSpanningRow("Location:", m_location);
  addRow("Size:", m_size);
  addWide(SunkenLine(this));
  addRow("Created:", m_created);
  addRow("Last Modified:", m_modified);
  addRow("Last Downloaded:", m_lastSent);
  addWide(SunkenLine(this));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  SetControlId(buttons->button(QDialogButtonBox::Ok), kIdOkButton);
  SetControlId(buttons->button(QDialogButtonBox::Cancel), kIdCancelButton);
  connect(buttons, &QDialogButtonBox::accepted, this, &CPcFileDetailsDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CPcFileDetailsDlg::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addStretch(1);
  layout->addWidget(buttons);
  // At least 231 dialog units of the 8-point font wide; as high as the
  // controls need.
  setMinimumWidth(347);
}

void CPcFileDetailsDlg::OnInitDialog() {
  PcFileDetailsTexts texts = DescribeForDetails(m_entry, m_header, m_hotSyncUsers);
  m_file->setText(QString::fromStdString(texts.file));
  m_location->SetFullText(QString::fromStdString(texts.location));
  m_size->setText(QString::fromStdString(texts.size));
  m_created->setText(DateLabelText(texts.created));
  m_modified->setText(DateLabelText(texts.modified));
  m_lastSent->setText(DateLabelText(texts.lastDownloaded));
  FillCombo(m_user, texts.userItems, texts.userText);
  FillCombo(m_category, texts.categoryItems, texts.categoryText);
  FillCombo(m_action, texts.actionItems, texts.actionText);
  m_private->setChecked(texts.isPrivate);
  (texts.pcFormat ? m_pcFormat : m_palmFormat)->setChecked(true);
}

void CPcFileDetailsDlg::accept() {
  PcFileDetailsChoice choice;
  choice.user = m_user->currentText().toStdString();
  choice.category = m_category->currentText().toStdString();
  choice.action = m_action->currentText().toStdString();
  choice.isPrivate = m_private->isChecked();
  choice.pcFormat = m_pcFormat->isChecked();

  const char* userProblem = UserNameIsBlank(choice.user) ? kUserEmptyText
                            : !UserNameFits(choice.user) ? kUserTooLongText
                                                         : nullptr;
  if (userProblem != nullptr) {
    m_prompts.MessageBox(userProblem, kPcFileDetailsTitle, kMbOk | kMbIconExclamation);
    m_user->setFocus();
    return;
  }
  if (NeedsSizeWarning(m_entry, choice.pcFormat) &&
      m_prompts.MessageBox(kSizeWarningText, kAddFileCaption, kMbYesNo | kMbIconExclamation) !=
          kIdYes) {
    return;
  }
  ApplyDetailsChoice(choice, m_header, m_entry);
  QDialog::accept();
}

}  // namespace desktop
