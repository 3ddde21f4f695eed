// Qt tests of the main view.
#pragma once

#include <QObject>

namespace desktop::test {

class MainViewTest : public QObject {
  Q_OBJECT

 private slots:
  void startsWithDefaultsWhenThereIsNoStore();
  void missingDataDirSettingUsesTheProgramFolder();
  void listsNewestFirstWithColumnTexts();
  void filtersByUserAndCategory();
  void duplicateCategoryLabelListsTheFirstIndex();
  void headerClickSortsAndAFilterChangeRestoresStoreOrder();
  void deleteSelectsTheRowAboveOrTheNewTop();
  void deleteAskedNoOrWithoutSelectionChangesNothing();
  void readOnlyStoreReportsEveryChangeButShowsIt();
  void storeWithTrailingBytesLoadsWholeEntries();
  void layoutFollowsTheWindowSize();
  void noControlCoversAnotherInTheSmallestWindow();
  void screenshotOfTheMainWindow();
};

}  // namespace desktop::test
