// The Qt tests of the desktop program's windows, run one object after
// another by widget_test_main.cpp.
#pragma once

#include <QObject>

namespace desktop::test {

// The main view.
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

// Adding files, and the PC File Details dialog.
class FileDetailsTest : public QObject {
  Q_OBJECT

 private slots:
  void addWithAllUserShowsTheRowAtTheTopWhateverTheFilter();
  void addCancelledStoresNothing();
  void addRefusesLongPathsAndUnreadableFiles();
  void twoAddsGetDifferentIdsWhenTheGeneratorRepeats();
  void dialogShowsTheEntry();
  void longPathSpansTheDialogAndShortensInTheMiddle();
  void sizeWarningDependsOnSizeAndFormat();
  void tooLongOrEmptyUserNameIsRefused();
  void detailsWithoutSelectionOrOnReceivedEntry();
  void detailsOkMovesTheRowOutOfTheFilterAndSaves();
};

// The main frame: menus, toolbar, status bar, the reload character, help and
// About.
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

// Changes made while another writer rewrites the list: a reload while a
// question is open, and a save while a HotSync holds the list.
class ListChangeTest : public QObject {
  Q_OBJECT

 private slots:
  void answerAfterAReloadActsOnTheSameEntryOrNone_data();
  void answerAfterAReloadActsOnTheSameEntryOrNone();
  void saveWaitsForTheHotSyncAndKeepsWhatItWrote();
};

// The content pane: descriptions, received texts and pictures, saving texts
// and the edit commands.
class ContentPaneTest : public QObject {
  Q_OBJECT

 private slots:
  void descriptionsIgnoreTypingAndDisableEditing();
  void receivedTextSavesThroughSaveAndSaveAs();
  void missingTextShowsNotFoundAndCannotBeSaved();
  void pictureShowsCentredOnBlackAndCopies();
  void changedTextIsOfferedForSavingBeforeThePaneMovesOn();
  void changedTextQuestionAnswers_data();
  void changedTextQuestionAnswers();
  void screenshotsOfEachMode();
};

// Printing the content pane, to PDF files read back with poppler's
// pdftotext and pdftoppm.
class PrintTest : public QObject {
  Q_OBJECT

 private slots:
  void printsPagesWithHeadingLinesAndNumbers_data();
  void printsPagesWithHeadingLinesAndNumbers();
  void printsInsideTheMarginsOnAnyPaper_data();
  void printsInsideTheMarginsOnAnyPaper();
  void printToFileProposesTheTitle();
  void printsTheShownPictureNotTheTextBeforeIt();
};

}  // namespace desktop::test
