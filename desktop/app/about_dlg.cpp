// The About box.
#include "about_dlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include "control_ids.h"
#include "messages.h"

namespace desktop {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About Vellamore"));
  auto* icon = new QLabel(this);
  icon->setPixmap(QIcon(QStringLiteral(":/icons/vellamore_32.png")).pixmap(32, 32));
  auto* version = new QLabel(QString::fromLatin1(kAboutLine), this);
  QFont bold = version->font();
  bold.setBold(true);
  version->setFont(bold);
  auto* description = new QLabel(QString::fromLatin1(kAboutDescription), this);
  auto* licence = new QLabel(QString::fromLatin1(kAboutLicence), this);
  for (QLabel* text : {description, licence}) {
    text->setWordWrap(true);
    text->setFixedWidth(text->fontMetrics().averageCharWidth() * 48);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, Qt::Vertical, this);
  SetControlId(buttons->button(QDialogButtonBox::Ok), kIdOkButton);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QGridLayout(this);
  layout->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
  layout->addWidget(version, 0, 1);
  layout->addWidget(description, 1, 1);
  layout->addWidget(licence, 2, 1);
  layout->addWidget(buttons, 0, 2, 3, 1, Qt::AlignTop);
  layout->setHorizontalSpacing(16);
  layout->setVerticalSpacing(10);
  layout->setColumnStretch(1, 1);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace desktop
