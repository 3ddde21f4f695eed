// The main window: commands, toolbar, status bar and the reload notification.
#include "main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <cstdio>

#include "control_ids.h"
#include "lock_keys.h"
#include "messages.h"
#include "vellamore_view.h"
#include "winsta/window_station.h"

namespace desktop {
namespace {

constexpr char kWindowClass[] = "VellamoreFrame";
constexpr char kReadyText[] = "Ready";

struct ActionSpec {
  const char* text;       // menu text, shortcut shown after a tab
  const char* statusTip;  // fly-by prompt in the status bar
  const char* toolTip;    // for toolbar buttons; empty when it has none
  const char* icon;       // toolbar image in the resources; empty when none
};

QAction* MakeAction(QObject* parent, const ActionSpec& spec, QList<QKeySequence> shortcuts = {}) {
  auto* action = new QAction(QString::fromLatin1(spec.text), parent);
  action->setStatusTip(QString::fromLatin1(spec.statusTip));
  if (*spec.toolTip != '\0') action->setToolTip(QString::fromLatin1(spec.toolTip));
  if (*spec.icon != '\0') {
    action->setIcon(QIcon(QStringLiteral(":/toolbar/%1.png").arg(QLatin1String(spec.icon))));
  }
  action->setShortcuts(shortcuts);
  return action;
}

QKeySequence Keys(QKeyCombination combination) {
  return QKeySequence(combination);
}

QLabel* Indicator(const char* text, QWidget* parent) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  label->setAlignment(Qt::AlignCenter);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 10);
  return label;
}

}  // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::OnCreate(CVellamoreView* view) {
  m_view = view;
  CreateActions();
  CreateMenus();
  CreateToolBar();
  CreateStatusBar();
  return m_toolBar != nullptr && statusBar() != nullptr;
}

void CMainFrame::CreateActions() {
  CreateFileActions();
  CreateEditViewHelpActions();
  BindCommands();
}

void CMainFrame::CreateFileActions() {
  m_addFileAct = MakeAction(
      this, {"&Add File to Download\tIns", "Add a new file for downloading", "New", "new"},
      {Keys(Qt::Key_Insert), Keys(Qt::CTRL | Qt::Key_N)});
  m_deleteAct = MakeAction(
      this, {"&Delete File from List\tDel", "Remove the selected file from the list", "", ""},
      {Keys(Qt::Key_Delete)});
  m_saveAct = MakeAction(this, {"&Save", "Save the text of the file shown", "Save", "save"},
                         {Keys(Qt::CTRL | Qt::Key_S)});
  m_saveAsAct = MakeAction(
      this, {"Save &As ...", "Save the text of the file shown under a new name", "", ""});
  m_printAct = MakeAction(this, {"&Print...\tCtrl+P", "Print the file shown", "Print", "print"},
                          {Keys(Qt::CTRL | Qt::Key_P)});
  m_printPreviewAct = MakeAction(this, {"Print Pre&view", "Display full pages", "", ""});
  m_printSetupAct =
      MakeAction(this, {"P&rint Setup...", "Change the printer and printing options", "", ""});
  m_recentFileAct = MakeAction(this, {"Recent File", "Open this document", "", ""});
  m_exitAct =
      MakeAction(this, {"E&xit", "Quit the application", "", ""}, {Keys(Qt::CTRL | Qt::Key_Q)});
  m_addFileAct->setProperty(kCommandIdProperty, kIdAddFileCommand);
  m_deleteAct->setProperty(kCommandIdProperty, kIdDeleteFileCommand);
  m_saveAsAct->setProperty(kCommandIdProperty, kIdSaveAsCommand);
}

void CMainFrame::CreateEditViewHelpActions() {
  m_undoAct = MakeAction(this, {"&Undo\tCtrl+Z", "Undo the last action", "Undo", ""},
                         {Keys(Qt::CTRL | Qt::Key_Z), Keys(Qt::ALT | Qt::Key_Backspace)});
  m_cutAct = MakeAction(
      this, {"Cu&t\tCtrl+X", "Cut the selection and put it on the Clipboard", "Cut", "cut"},
      {Keys(Qt::CTRL | Qt::Key_X), Keys(Qt::SHIFT | Qt::Key_Delete)});
  m_copyAct = MakeAction(
      this, {"&Copy\tCtrl+C", "Copy the selection and put it on the Clipboard", "Copy", "copy"},
      {Keys(Qt::CTRL | Qt::Key_C), Keys(Qt::CTRL | Qt::Key_Insert)});
  m_pasteAct = MakeAction(this, {"&Paste\tCtrl+V", "Insert Clipboard contents", "Paste", "paste"},
                          {Keys(Qt::CTRL | Qt::Key_V), Keys(Qt::SHIFT | Qt::Key_Insert)});
  m_toolBarAct = MakeAction(this, {"&Toolbar", "Show or hide the toolbar", "", ""});
  m_statusBarAct = MakeAction(this, {"&Status Bar", "Show or hide the status bar", "", ""});
  m_helpAct =
      MakeAction(this, {"&Help\tF1", "List the help topics", "Help", "help"}, {Keys(Qt::Key_F1)});
  m_aboutAct = MakeAction(
      this, {"&About Vellamore...", "Display program information and version number", "", ""});
  m_helpAct->setProperty(kCommandIdProperty, kIdHelpCommand);
  m_toolBarAct->setCheckable(true);
  m_statusBarAct->setCheckable(true);
  m_toolBarAct->setChecked(true);
  m_statusBarAct->setChecked(true);
}

void CMainFrame::BindCommands() {
  // The program keeps no documents of its own: the recent-file list stays
  // empty.
  m_recentFileAct->setEnabled(false);
  connect(m_addFileAct, &QAction::triggered, m_view, [this] { m_view->AddFile(); });
  connect(m_deleteAct, &QAction::triggered, m_view, [this] { m_view->DeleteSelectedEntry(); });
  connect(m_saveAct, &QAction::triggered, m_view, [this] { m_view->SaveText(); });
  connect(m_saveAsAct, &QAction::triggered, m_view, [this] { m_view->SaveTextAs(); });
  connect(m_printAct, &QAction::triggered, m_view, [this] { m_view->OnFilePrint(); });
  connect(m_printPreviewAct, &QAction::triggered, m_view, [this] { m_view->OnFilePrintPreview(); });
  connect(m_printSetupAct, &QAction::triggered, m_view, [this] { m_view->OnFilePrintSetup(); });
  connect(m_undoAct, &QAction::triggered, m_view, [this] { m_view->OnEditUndo(); });
  connect(m_cutAct, &QAction::triggered, m_view, [this] { m_view->OnEditCut(); });
  connect(m_copyAct, &QAction::triggered, m_view, [this] { m_view->OnEditCopy(); });
  connect(m_pasteAct, &QAction::triggered, m_view, [this] { m_view->OnEditPaste(); });
  connect(m_view, &CVellamoreView::editCommandsChanged, this, &CMainFrame::UpdateEditCommands);
  UpdateEditCommands();
  connect(m_helpAct, &QAction::triggered, m_view, [this] { m_view->OnHelp(); });
  connect(m_aboutAct, &QAction::triggered, this, &CMainFrame::aboutRequested);
  connect(m_exitAct, &QAction::triggered, this, &QWidget::close);
  connect(m_statusBarAct, &QAction::toggled, this,
          [this](bool visible) { statusBar()->setVisible(visible); });
  connect(m_view, &CVellamoreView::waitingForListChanged, this, &CMainFrame::OnWaitingForList);
}

void CMainFrame::OnWaitingForList(bool waiting) {
  // The window stays usable while it waits: a busy cursor, not a wait one.
  if (waiting) {
    setCursor(Qt::BusyCursor);
  } else {
    unsetCursor();
  }
  statusBar()->showMessage(IdleStatusText());
}

QString CMainFrame::IdleStatusText() const {
  bool waiting = m_view != nullptr && m_view->IsWaitingForList();
  return QString::fromLatin1(waiting ? kWaitingForListText : kReadyText);
}

void CMainFrame::CreateMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->addAction(m_addFileAct);
  file->addAction(m_deleteAct);
  file->addSeparator();
  file->addAction(m_saveAct);
  file->addAction(m_saveAsAct);
  file->addSeparator();
  file->addAction(m_printAct);
  file->addAction(m_printPreviewAct);
  file->addAction(m_printSetupAct);
  file->addSeparator();
  file->addAction(m_recentFileAct);
  file->addSeparator();
  file->addAction(m_exitAct);

  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  edit->addAction(m_undoAct);
  edit->addSeparator();
  edit->addAction(m_cutAct);
  edit->addAction(m_copyAct);
  edit->addAction(m_pasteAct);

  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  view->addAction(m_toolBarAct);
  view->addAction(m_statusBarAct);

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  help->addAction(m_helpAct);
  help->addSeparator();
  help->addAction(m_aboutAct);
}

void CMainFrame::CreateToolBar() {
  m_toolBar = addToolBar(QStringLiteral("Standard"));
  m_toolBar->setObjectName(QStringLiteral("standardToolBar"));
  m_toolBar->setIconSize(QSize(16, 15));
  m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
  m_toolBar->addAction(m_addFileAct);
  m_toolBar->addAction(m_saveAct);
  m_toolBar->addSeparator();
  m_toolBar->addAction(m_cutAct);
  m_toolBar->addAction(m_copyAct);
  m_toolBar->addAction(m_pasteAct);
  m_toolBar->addSeparator();
  m_toolBar->addAction(m_printAct);
  m_toolBar->addSeparator();
  m_toolBar->addAction(m_helpAct);
  connect(m_toolBarAct, &QAction::toggled, m_toolBar, &QToolBar::setVisible);
  connect(m_toolBar, &QToolBar::visibilityChanged, m_toolBarAct, &QAction::setChecked);
}

void CMainFrame::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  m_capsIndicator = Indicator("CAP", bar);
  m_numIndicator = Indicator("NUM", bar);
  m_scrollIndicator = Indicator("SCRL", bar);
  bar->addPermanentWidget(m_capsIndicator);
  bar->addPermanentWidget(m_numIndicator);
  bar->addPermanentWidget(m_scrollIndicator);
  // The message pane says "Ready" (or that a save waits for the list)
  // whenever no prompt is shown.
  connect(bar, &QStatusBar::messageChanged, this, [this, bar](const QString& message) {
    if (message.isEmpty()) bar->showMessage(IdleStatusText());
  });
  bar->showMessage(IdleStatusText());
  m_indicatorTimer = new QTimer(this);
  connect(m_indicatorTimer, &QTimer::timeout, this, &CMainFrame::UpdateIndicators);
  m_indicatorTimer->start(500);
  UpdateIndicators();
}

void CMainFrame::UpdateIndicators() {
  LockKeyState locks = ReadLockKeys();
  m_capsIndicator->setEnabled(locks.capsLock);
  m_numIndicator->setEnabled(locks.numLock);
  m_scrollIndicator->setEnabled(locks.scrollLock);
}

void CMainFrame::UpdateEditCommands() {
  EditCommandState state = m_view->EditCommands();
  m_cutAct->setEnabled(state.cut);
  m_pasteAct->setEnabled(state.paste);
  m_undoAct->setEnabled(state.undo);
  m_saveAct->setEnabled(state.save);
  m_saveAsAct->setEnabled(state.save);
}

QAction* CMainFrame::CommandAction(int commandId) const {
  for (QAction* action : findChildren<QAction*>()) {
    if (action->property(kCommandIdProperty).toInt() == commandId) return action;
  }
  return nullptr;
}

bool CMainFrame::RegisterWindow() {
  m_stationWindow = platform::winsta::Window::Register(kWindowClass, windowTitle().toStdString());
  if (!m_stationWindow) {
    std::fprintf(stderr,
                 "Vellamore: cannot register the main window in the window station; "
                 "the list will not reload after a HotSync\n");
    return false;
  }
  m_stationNotifier = new QSocketNotifier(m_stationWindow->Fd(), QSocketNotifier::Read, this);
  connect(m_stationNotifier, &QSocketNotifier::activated, this,
          &CMainFrame::OnWindowStationReadable);
  return true;
}

void CMainFrame::OnWindowStationReadable() {
  while (std::optional<platform::winsta::Message> message = m_stationWindow->Receive()) {
    if (message->message == platform::winsta::kWmChar) {
      OnChar(static_cast<uint32_t>(message->wParam));
    } else if (message->message == platform::winsta::kWmClose) {
      // As any top-level window does by default, a posted close closes it.
      close();
    }
  }
}

void CMainFrame::OnChar(uint32_t code) {
  if (code != kReloadCharacter || m_view == nullptr) return;
  m_view->Reload();
  emit reloaded();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (m_view != nullptr && !m_view->CanClose()) {
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

void CMainFrame::keyPressEvent(QKeyEvent* event) {
  // Only a key typed while the frame itself has the focus; keys typed into
  // the view's controls belong to them.
  QWidget* focus = QApplication::focusWidget();
  bool forFrame = focus == nullptr || focus == this;
  if (forFrame && event->text() == QLatin1Char(store::kReloadCharacter)) {
    OnChar(kReloadCharacter);
    event->accept();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

}  // namespace desktop
