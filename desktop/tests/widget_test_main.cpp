// Runs the Qt tests of the desktop program's windows, one object after
// another; the exit status counts the failures.
#include <QApplication>
#include <QTest>

#include "content_pane_test.h"
#include "file_details_test.h"
#include "list_change_test.h"
#include "main_frame_test.h"
#include "main_view_test.h"
#include "print_test.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  int failures = 0;
  desktop::test::MainViewTest mainView;
  failures += QTest::qExec(&mainView, argc, argv);
  desktop::test::FileDetailsTest fileDetails;
  failures += QTest::qExec(&fileDetails, argc, argv);
  desktop::test::MainFrameTest mainFrame;
  failures += QTest::qExec(&mainFrame, argc, argv);
  desktop::test::ListChangeTest listChange;
  failures += QTest::qExec(&listChange, argc, argv);
  desktop::test::ContentPaneTest contentPane;
  failures += QTest::qExec(&contentPane, argc, argv);
  desktop::test::PrintTest print;
  failures += QTest::qExec(&print, argc, argv);
  return failures == 0 ? 0 : 1;
}
