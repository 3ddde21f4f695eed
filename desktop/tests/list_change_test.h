// Qt tests of changes made while another writer rewrites the list: a reload
// while a question is open, and a save while a HotSync holds the list.
#pragma once

#include <QObject>

namespace desktop::test {

class ListChangeTest : public QObject {
  Q_OBJECT

 private slots:
  void answerAfterAReloadActsOnTheSameEntryOrNone_data();
  void answerAfterAReloadActsOnTheSameEntryOrNone();
  void saveWaitsForTheHotSyncAndKeepsWhatItWrote();
};

}  // namespace desktop::test
