// CHelpWindow: the program's help, a window of its own beside the main
// window that shows the help page from its contents.
#pragma once

#include <QTextBrowser>
#include <QWidget>

namespace desktop {

class CHelpWindow : public QWidget {
  Q_OBJECT

 public:
  explicit CHelpWindow(QWidget* owner);

  // Shows `html` from its top and brings the window to the front.
  void ShowContents(const QString& html);
  QString Html() const { return m_browser->toHtml(); }

 private:
  QTextBrowser* m_browser;
};

}  // namespace desktop
