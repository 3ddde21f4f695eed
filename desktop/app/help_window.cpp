// The help window.
#include "help_window.h"

#include <QVBoxLayout>

#include "messages.h"

namespace desktop {

CHelpWindow::CHelpWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
  setWindowTitle(QString::fromLatin1(kHelpWindowTitle));
  setAttribute(Qt::WA_DeleteOnClose);
  m_browser = new QTextBrowser(this);
  m_browser->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_browser);
  resize(560, 520);
}

void CHelpWindow::ShowContents(const QString& html) {
  m_browser->setHtml(html);
  m_browser->moveCursor(QTextCursor::Start);
  show();
  raise();
  activateWindow();
}

}  // namespace desktop
