// CMainFrame: the main window, "Vellamore File View", with the menu, the
// toolbar, the status bar and the view. It is registered in the window
// station under its title, where the conduit finds it after a HotSync and
// posts it the character R; that character, posted or typed while the
// frame itself has the focus, reloads the store into the view.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <cstdint>
#include <memory>

#include "notify.h"

class QAction;
class QSocketNotifier;
class QTimer;
class QToolBar;

namespace platform::winsta {
class Window;
}

namespace desktop {

class CVellamoreView;

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  // The character that asks the frame to reload the store.
  static constexpr uint32_t kReloadCharacter = store::kReloadCharacter;

  explicit CMainFrame(QWidget* parent = nullptr);
  ~CMainFrame() override;

  // Builds the menu, toolbar and status bar and binds the commands to the
  // view. False when a part could not be made.
  bool OnCreate(CVellamoreView* view);
  // Registers the window in the window station under its current title and
  // listens for posted messages. False (and a message on standard error)
  // when the station cannot be reached; the program runs on without
  // notifications.
  bool RegisterWindow();

  // A character for the frame itself: R reloads the store.
  void OnChar(uint32_t code);

  QToolBar* ToolBar() const { return m_toolBar; }
  // The action of a command number (see control_ids.h); nullptr if none.
  QAction* CommandAction(int commandId) const;

 signals:
  void aboutRequested();
  // The store was loaded again on a reload notification.
  void reloaded();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // Closing while a change waits to be saved asks first.
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateActions();
  void CreateFileActions();
  void CreateEditViewHelpActions();
  void BindCommands();
  void CreateMenus();
  void CreateToolBar();
  void CreateStatusBar();
  // Cut, Paste, Undo, Save and Save As as the content pane allows them.
  void UpdateEditCommands();
  void OnWindowStationReadable();
  void UpdateIndicators();
  // Busy cursor and a status-bar message while a save waits for the list.
  void OnWaitingForList(bool waiting);
  // The status bar's text when no prompt is shown.
  QString IdleStatusText() const;

  CVellamoreView* m_view = nullptr;
  QToolBar* m_toolBar = nullptr;
  QLabel* m_capsIndicator = nullptr;
  QLabel* m_numIndicator = nullptr;
  QLabel* m_scrollIndicator = nullptr;
  QTimer* m_indicatorTimer = nullptr;
  std::unique_ptr<platform::winsta::Window> m_stationWindow;
  QSocketNotifier* m_stationNotifier = nullptr;

  QAction* m_addFileAct = nullptr;
  QAction* m_deleteAct = nullptr;
  QAction* m_saveAct = nullptr;
  QAction* m_saveAsAct = nullptr;
  QAction* m_printAct = nullptr;
  QAction* m_printPreviewAct = nullptr;
  QAction* m_printSetupAct = nullptr;
  QAction* m_recentFileAct = nullptr;
  QAction* m_exitAct = nullptr;
  QAction* m_undoAct = nullptr;
  QAction* m_cutAct = nullptr;
  QAction* m_copyAct = nullptr;
  QAction* m_pasteAct = nullptr;
  QAction* m_toolBarAct = nullptr;
  QAction* m_statusBarAct = nullptr;
  QAction* m_helpAct = nullptr;
  QAction* m_aboutAct = nullptr;
};

}  // namespace desktop
