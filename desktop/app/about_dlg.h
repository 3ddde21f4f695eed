// CAboutDlg: the About box: the program icon, the version line, a sentence
// on what Vellamore does, its licence, and OK.
#pragma once

#include <QDialog>

namespace desktop {

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace desktop
