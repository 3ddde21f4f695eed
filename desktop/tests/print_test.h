// Qt tests of printing the content pane, to PDF files read back with
// poppler's pdftotext and pdftoppm.
#pragma once

#include <QObject>

namespace desktop::test {

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
