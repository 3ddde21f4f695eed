// The reload notification across processes: the real program, a store
// rewritten by another process, and WM_CHAR R posted through the window
// station.
#pragma once

#include <QObject>

namespace desktop::test {

class ReloadTest : public QObject {
  Q_OBJECT

 private slots:
  void postedReloadShowsTheNewStoreAndKeepsTheSelection();
  void realHotSyncEndingReloadsTheList();
  void commandLine();
};

}  // namespace desktop::test
