// Qt tests of the content pane: descriptions, received texts and pictures,
// saving texts and the edit commands.
#pragma once

#include <QObject>

namespace desktop::test {

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

}  // namespace desktop::test
