// The Handheld File Details dialog: labels top to bottom, sunken lines
// between the file, date and user blocks and the OK button.
#include "handheld_file_details_dlg.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "control_ids.h"
#include "dialog_parts.h"
#include "elided_label.h"
#include "handheld_file_details.h"
#include "messages.h"

namespace desktop {
namespace {

// A value label; the texts of the PC end their dates with a line break,
// which a one-line label does not show.
QLabel* ValueLabel(QWidget* parent, int id, const std::string& text) {
  auto* label = new QLabel(QString::fromStdString(text).trimmed(), parent);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  SetControlId(label, id);
  return label;
}

}  // namespace

CHandheldFileDetailsDlg::CHandheldFileDetailsDlg(const store::FileListEntry& entry,
                                                 const store::FileListStore::Header& header,
                                                 QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QString::fromLatin1(kHandheldFileDetailsTitle));
  HandheldFileDetailsTexts texts = DescribeForHandheldDetails(entry, header);

  auto* grid = new QGridLayout;
  grid->setColumnStretch(1, 1);
  int row = 0;
  auto addRow = [&](const char* label, QWidget* value) {
    grid->addWidget(new QLabel(QString::fromLatin1(label), this), row, 0);
    grid->addWidget(value, row++, 1);
  };
  auto addLine = [&] { grid->addWidget(SunkenLine(this), row++, 0, 1, 2); };

  addRow("File:", ValueLabel(this, kIdDetailsFile, texts.file));
  auto* location = new CElidedLabel(this);
  location->setTextInteractionFlags(Qt::TextSelectableByMouse);
  location->SetFullText(QString::fromStdString(texts.location));
  SetControlId(location, kIdDetailsLocation);
  addRow("Location:", location);
  addRow("Size:", ValueLabel(this, kIdDetailsSize, texts.size));
  addLine();
  addRow("Created:", ValueLabel(this, kIdDetailsCreated, texts.created));
  addRow("Last Modified:", ValueLabel(this, kIdDetailsModified, texts.modified));
  addRow("Last Downloaded:", ValueLabel(this, kIdDetailsLastSent, texts.lastDownloaded));
  addLine();
  addRow("User:", ValueLabel(this, kIdHandheldUser, texts.user));
  addRow("Category:", ValueLabel(this, kIdHandheldCategory, texts.category));
  addRow("Private:", ValueLabel(this, kIdHandheldPrivate, texts.isPrivate));
  addLine();

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  SetControlId(buttons->button(QDialogButtonBox::Ok), kIdOkButton);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addStretch(1);
  layout->addWidget(buttons);
  // At least 211 dialog units of the 8-point font wide.
  setMinimumWidth(317);
}

}  // namespace desktop
