// CAboutDlg: the About box, with the program icon, the version line and OK.
#pragma once

#include <QDialog>

namespace desktop {

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace desktop
