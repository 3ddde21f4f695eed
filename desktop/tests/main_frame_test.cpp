// The main frame: its menus, toolbar and status bar, the reload character,
// the help window and the About box.
#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include "about_dlg.h"
#include "content_edit.h"
#include "help_window.h"
#include "messages.h"
#include "testing/run_program.h"
#include "widget_test_harness.h"
#include "widget_tests.h"

namespace desktop::test {
namespace {

// The menu's items as "text" (with the shortcut after a tab), separators as
// "-", disabled items marked with a leading "~".
QStringList MenuItems(QMenu* menu) {
  QStringList items;
  for (QAction* action : menu->actions()) {
    if (action->isSeparator()) {
      items << QStringLiteral("-");
    } else {
      items << (action->isEnabled() ? QString() : QStringLiteral("~")) + action->text();
    }
  }
  return items;
}

QMenu* Menu(CMainFrame* frame, const QString& title) {
  for (QAction* action : frame->menuBar()->actions()) {
    if (action->text() == title) return action->menu();
  }
  return nullptr;
}

}  // namespace

void MainFrameTest::menusHoldTheCommandsInOrder() {
  Harness harness;
  QVERIFY(harness.Start());
  CMainFrame* frame = harness.Frame();
  QStringList titles;
  for (QAction* action : frame->menuBar()->actions()) titles << action->text();
  QCOMPARE(titles, QStringList({"&File", "&Edit", "&View", "&Help"}));
  QCOMPARE(MenuItems(Menu(frame, "&File")),
           QStringList({"&Add File to Download\tIns", "&Delete File from List\tDel", "-", "~&Save",
                        "~Save &As ...", "-", "&Print...\tCtrl+P", "Print Pre&view",
                        "P&rint Setup...", "-", "~Recent File", "-", "E&xit"}));
  QCOMPARE(MenuItems(Menu(frame, "&Edit")), QStringList({"~&Undo\tCtrl+Z", "-", "~Cu&t\tCtrl+X",
                                                         "&Copy\tCtrl+C", "~&Paste\tCtrl+V"}));
  QCOMPARE(MenuItems(Menu(frame, "&View")), QStringList({"&Toolbar", "&Status Bar"}));
  QCOMPARE(MenuItems(Menu(frame, "&Help")), QStringList({"&Help\tF1", "-", "&About Vellamore..."}));

  QAction* add = frame->CommandAction(kIdAddFileCommand);
  QVERIFY(add != nullptr);
  QCOMPARE(add->shortcuts(),
           QList<QKeySequence>({QKeySequence(Qt::Key_Insert), QKeySequence(Qt::CTRL | Qt::Key_N)}));
  QCOMPARE(add->statusTip(), QStringLiteral("Add a new file for downloading"));
  QCOMPARE(add->toolTip(), QStringLiteral("New"));
  QCOMPARE(frame->CommandAction(kIdSaveAsCommand)->isEnabled(), false);
  for (QAction* action : Menu(frame, "&Edit")->actions()) {
    if (action->text() == QStringLiteral("&Undo\tCtrl+Z")) {
      QCOMPARE(action->shortcuts(),
               QList<QKeySequence>({QKeySequence(Qt::CTRL | Qt::Key_Z),
                                    QKeySequence(Qt::ALT | Qt::Key_Backspace)}));
    }
    if (action->text() == QStringLiteral("&Paste\tCtrl+V")) {
      QCOMPARE(action->shortcuts(),
               QList<QKeySequence>(
                   {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)}));
    }
  }

  // Ins runs the add-file command: here the open-file dialog is cancelled.
  frame->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(frame));
  QTest::keyClick(harness.List(), Qt::Key_Insert);
  QCOMPARE(harness.prompts.openDialogs, 1);
  // Del deletes (with nothing listed, it says to select an item first) and
  // F1 opens the help (the sandbox has none, so it says so).
  QTest::keyClick(harness.List(), Qt::Key_Delete);
  QTest::keyClick(harness.List(), Qt::Key_F1);
  QCOMPARE(harness.prompts.Captions(),
           std::vector<std::string>({kDeleteCaption, kHelpWindowTitle}));
  // Ctrl+Q quits.
  QTest::keyClick(harness.List(), Qt::Key_Q, Qt::ControlModifier);
  QVERIFY(!frame->isVisible());
  frame->show();
  // In a text the user edits, Del deletes a character, not the entry.
  auto* pane = FindControl<CContentEdit>(harness.View(), kIdTextPane);
  pane->SetPaneMode(CContentEdit::kModeReceivedText);
  pane->setPlainText(QStringLiteral("ab"));
  pane->setFocus();
  QTest::keyClick(pane, Qt::Key_Delete);
  QCOMPARE(pane->toPlainText(), QStringLiteral("b"));
  QCOMPARE(harness.prompts.shown.size(), size_t{2});
}

void MainFrameTest::toolbarAndStatusBar() {
  Harness harness;
  QVERIFY(harness.Start());
  CMainFrame* frame = harness.Frame();
  QToolBar* toolBar = frame->ToolBar();
  QStringList buttons;
  for (QAction* action : toolBar->actions()) {
    buttons << (action->isSeparator() ? QStringLiteral("-") : action->toolTip());
    if (!action->isSeparator()) QVERIFY(!action->icon().isNull());
  }
  QCOMPARE(buttons,
           QStringList({"New", "Save", "-", "Cut", "Copy", "Paste", "-", "Print", "-", "Help"}));
  QCOMPARE(toolBar->iconSize(), QSize(16, 15));
  QCOMPARE(frame->toolBarArea(toolBar), Qt::TopToolBarArea);

  QStringList indicators;
  for (QLabel* label : frame->statusBar()->findChildren<QLabel*>()) {
    if (!label->text().isEmpty()) indicators << label->text();
  }
  QVERIFY(indicators.contains("CAP") && indicators.contains("NUM") && indicators.contains("SCRL"));
  QCOMPARE(frame->statusBar()->currentMessage(), QStringLiteral("Ready"));

  // View, Toolbar and View, Status Bar hide and show the bars.
  QAction* toolBarItem = Menu(frame, "&View")->actions().at(0);
  QAction* statusBarItem = Menu(frame, "&View")->actions().at(1);
  QVERIFY(toolBarItem->isChecked() && statusBarItem->isChecked());
  toolBarItem->trigger();
  statusBarItem->trigger();
  QVERIFY(toolBar->isHidden());
  QVERIFY(frame->statusBar()->isHidden());
  toolBarItem->trigger();
  QVERIFY(!toolBar->isHidden());
}

void MainFrameTest::reloadCharacterKeepsTheSelection() {
  Harness harness;
  std::vector<store::FileListEntry> entries = {MakeEntry({.id = 1, .title = "one"}),
                                               MakeEntry({.id = 2, .title = "two"}),
                                               MakeEntry({.id = 3, .title = "three"})};
  QVERIFY(harness.StartWith(entries));
  harness.SelectRow(1);
  QCOMPARE(harness.SelectedName(), QStringLiteral("two"));

  // What a HotSync does: a stamp changes, an entry comes back from the
  // handheld, and the store is rewritten.
  entries[1].lastSent.bytes = {20, 24, 5, 1, 10, 0, 0, 0};
  entries[1].title = "two (sent)";
  entries.push_back(ReceivedEntry(4, "Memo.txt", 1));
  WriteStore(harness.sandbox.StorePath(), entries);
  int reloads = 0;
  QObject::connect(harness.Frame(), &CMainFrame::reloaded, [&reloads] { ++reloads; });

  harness.Frame()->OnChar('r');  // not the reload character
  QCOMPARE(harness.Names(), QStringList({"three", "two", "one"}));
  harness.Frame()->OnChar(CMainFrame::kReloadCharacter);
  QCOMPARE(reloads, 1);
  QCOMPARE(harness.Names(), QStringList({"Memo.txt", "three", "two (sent)", "one"}));
  QCOMPARE(harness.SelectedName(), QStringLiteral("two (sent)"));
  QCOMPARE(harness.View()->Model().FindById(2)->lastSent.bytes[0], uint8_t{20});

  // An entry that is gone after the reload: the top row is selected.
  WriteStore(harness.sandbox.StorePath(), {entries[0], entries[3]});
  harness.Frame()->OnChar(CMainFrame::kReloadCharacter);
  QCOMPARE(harness.Names(), QStringList({"Memo.txt", "one"}));
  QCOMPARE(harness.SelectedName(), QStringLiteral("Memo.txt"));
  // A store that cannot be opened leaves the entries and takes the default
  // header.
  QVERIFY(std::remove(harness.sandbox.StorePath().c_str()) == 0);
  harness.Frame()->OnChar(CMainFrame::kReloadCharacter);
  QCOMPARE(harness.Names(), QStringList({"Memo.txt", "one"}));
}

void MainFrameTest::typedReloadOnlyForTheFrameItself() {
  Harness harness;
  QVERIFY(harness.StartWith({MakeEntry({.id = 1, .title = "one"})}));
  int reloads = 0;
  QObject::connect(harness.Frame(), &CMainFrame::reloaded, [&reloads] { ++reloads; });

  // Typed into the list, R is the list's own (it jumps to a row).
  harness.Frame()->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(harness.Frame()));
  harness.List()->setFocus();
  QCOMPARE(QApplication::focusWidget(), harness.List());
  QTest::keyClick(harness.List(), 'R');
  QCOMPARE(reloads, 0);

  harness.Frame()->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(harness.Frame()));
  harness.Frame()->setFocus();
  QCOMPARE(QApplication::focusWidget(), harness.Frame());
  QTest::keyClick(harness.Frame(), 'r');
  QCOMPARE(reloads, 0);
  QTest::keyClick(harness.Frame(), 'R');
  QCOMPARE(reloads, 1);
}

void MainFrameTest::helpShowsThePageFromTheDataDirectoryOrBesideTheProgram() {
  Harness harness;
  QVERIFY(harness.Start());
  harness.View()->OnHelp();
  QCOMPARE(harness.prompts.shown.size(), size_t{1});
  QCOMPARE(harness.prompts.shown[0].caption, std::string(kHelpWindowTitle));
  QVERIFY(harness.prompts.shown[0].text.find(harness.sandbox.DataDir() + "/Vellamore.hlp") !=
          std::string::npos);

  // The page the installation put beside the program, until the data
  // directory has one of its own.
  vlmtest::WriteFile(harness.sandbox.ProgramDir() + "/Vellamore.hlp",
                     "<html><body><h1>Installed help</h1></body></html>");
  harness.Frame()->CommandAction(kIdHelpCommand)->trigger();
  CHelpWindow* help = harness.Frame()->findChild<CHelpWindow*>();
  QVERIFY(help != nullptr);
  QVERIFY(help->isVisible());
  QCOMPARE(help->windowTitle(), QStringLiteral("Vellamore Help"));
  QVERIFY(help->Html().contains(QStringLiteral("Installed help")));
  vlmtest::WriteFile(harness.sandbox.DataDir() + "/Vellamore.hlp",
                     "<html><body><h1>Sandbox help</h1></body></html>");
  harness.Frame()->CommandAction(kIdHelpCommand)->trigger();
  QVERIFY(help->Html().contains(QStringLiteral("Sandbox help")));

  // Esc closes the window, and so does its Close button.
  QPointer<CHelpWindow> guarded(help);
  help->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(help));
  QTest::keyClick(help, Qt::Key_Escape);
  QTRY_VERIFY(guarded.isNull());
  harness.Frame()->CommandAction(kIdHelpCommand)->trigger();
  help = harness.Frame()->findChild<CHelpWindow*>();
  QVERIFY(help != nullptr && help->isVisible());
  guarded = help;
  QList<QPushButton*> buttons = help->findChildren<QPushButton*>();
  QCOMPARE(buttons.size(), 1);
  QCOMPARE(buttons[0]->text().remove(QLatin1Char('&')), QStringLiteral("Close"));
  buttons[0]->click();
  QTRY_VERIFY(guarded.isNull());

  // The page the build puts beside the program reads as help.
  const std::string page = vlmtest::ReadFile(vlmtest::BinPath("Vellamore.hlp"));
  QVERIFY(page.find("<h1>Vellamore Help</h1>") != std::string::npos);
  // It names the data folder an installed program really uses, and lists
  // the handheld's files before a record is picked by its number.
  QVERIFY(page.find("~/.local/share/Vellamore") != std::string::npos);
  QVERIFY(page.find("handheld files") < page.find("receive --record"));
}

void MainFrameTest::aboutBoxShowsTheVersion() {
  Harness harness;
  QVERIFY(harness.Start());
  bool shown = false;
  WhenShown<CAboutDlg>([&shown](CAboutDlg* about) {
    shown = true;
    QCOMPARE(about->windowTitle(), QStringLiteral("About Vellamore"));
    QStringList texts;
    bool hasIcon = false;
    for (QLabel* label : about->findChildren<QLabel*>()) {
      texts << label->text();
      hasIcon |= !label->pixmap().isNull();
    }
    QVERIFY(texts.contains(QStringLiteral("Vellamore Version 1.0")));
    // What the program is, in one sentence, and its licence.
    QVERIFY(texts.contains(QString::fromLatin1(kAboutDescription)));
    QVERIFY(texts.contains(QString::fromLatin1(kAboutLicence)));
    QVERIFY(hasIcon);
    QVERIFY(about->grab().save(QStringLiteral(DESKTOP_TEST_OUTPUT_DIR "/about.png")));
    FindControl<QPushButton>(about, kIdOkButton)->click();
  });
  for (QAction* action : harness.Frame()->findChildren<QAction*>()) {
    if (action->text() == QStringLiteral("&About Vellamore...")) action->trigger();
  }
  QVERIFY(shown);
}

}  // namespace desktop::test
