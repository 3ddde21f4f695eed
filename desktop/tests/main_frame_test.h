// Qt tests of the main frame: menus, toolbar, status bar, the reload
// character, help and About.
#pragma once

#include <QObject>

namespace desktop::test {

class MainFrameTest : public QObject {
  Q_OBJECT

 private slots:
  void menusHoldTheCommandsInOrder();
  void toolbarAndStatusBar();
  void reloadCharacterKeepsTheSelection();
  void typedReloadOnlyForTheFrameItself();
  void helpShowsThePageFromTheDataDirectoryOrBesideTheProgram();
  void aboutBoxShowsTheVersion();
};

}  // namespace desktop::test
