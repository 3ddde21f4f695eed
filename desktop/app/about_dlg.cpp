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
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  SetControlId(buttons->button(QDialogButtonBox::Ok), kIdOkButton);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QGridLayout(this);
  layout->addWidget(icon, 0, 0, Qt::AlignTop);
  layout->addWidget(version, 0, 1, Qt::AlignVCenter);
  layout->addWidget(buttons, 0, 2, Qt::AlignTop);
  layout->setHorizontalSpacing(16);
  layout->setColumnStretch(1, 1);
  setFixedSize(sizeHint().expandedTo(QSize(300, 80)));
}

}  // namespace desktop
