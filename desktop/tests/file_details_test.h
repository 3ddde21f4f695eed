// Qt tests of adding files and of the PC File Details dialog.
#pragma once

#include <QObject>

namespace desktop::test {

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

}  // namespace desktop::test
