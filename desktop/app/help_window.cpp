// The help window.
#include "help_window.h"

#include <QDialogButtonBox>
#include <QShortcut>
#include <QVBoxLayout>

#include "messages.h"

namespace desktop {

CHelpWindow::CHelpWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
  setWindowTitle(QString::fromLatin1(kHelpWindowTitle));
  setAttribute(Qt::WA_DeleteOnClose);
  m_browser = new QTextBrowser(this);
  m_browser->setOpenExternalLinks(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::close);
  // Esc closes the window wherever its focus is, as in a dialog.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WindowShortcut);
  connect(escape, &QShortcut::activated, this, &QWidget::close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_browser);
  layout->addWidget(buttons);
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
