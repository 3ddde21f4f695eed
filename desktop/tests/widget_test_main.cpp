// Runs the Qt tests of the desktop program's windows, one object after
// another; the exit status counts the failures.
#include <QApplication>
#include <QTest>

#include "widget_tests.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  desktop::test::MainViewTest mainView;
  desktop::test::FileDetailsTest fileDetails;
  desktop::test::MainFrameTest mainFrame;
  desktop::test::ListChangeTest listChange;
  desktop::test::ContentPaneTest contentPane;
  desktop::test::PrintTest print;
  int failures = 0;
  for (QObject* test : std::initializer_list<QObject*>{&mainView, &fileDetails, &mainFrame,
                                                       &listChange, &contentPane, &print}) {
    failures += QTest::qExec(test, argc, argv);
  }
  return failures == 0 ? 0 : 1;
}
