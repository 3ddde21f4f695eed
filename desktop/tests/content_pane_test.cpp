// The content pane on real received files: the descriptions and their
// colours, received texts (reading, Save, Save As, a target that cannot be
// written), a missing text, a received picture, the save offer before the
// pane shows another entry, and screenshots of each mode.
#include <sys/stat.h>

#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QTest>

#include "content_edit.h"
#include "fs/fs.h"
#include "messages.h"
#include "widget_test_harness.h"
#include "widget_tests.h"

namespace desktop::test {
namespace {

std::string ReadBytes(const std::string& path) {
  auto bytes = platform::ReadWholeFile(path);
  return bytes ? std::string(bytes->begin(), bytes->end()) : "<none>";
}

// A 160 x 160 picture, blue with a red top left and a green bottom right
// pixel, as the conduit writes received pictures: a 24-bit BMP.
void WritePicture(const std::string& path) {
  QImage picture(160, 160, QImage::Format_RGB888);
  picture.fill(QColor(0, 0, 255));
  picture.setPixelColor(0, 0, QColor(255, 0, 0));
  picture.setPixelColor(159, 159, QColor(0, 255, 0));
  picture.save(QString::fromStdString(path), "BMP");
}

CContentEdit* Pane(const Harness& harness) {
  return FindControl<CContentEdit>(harness.View(), kIdTextPane);
}

// The pane's background where no text stands.
QColor Background(CContentEdit* pane) {
  QImage shot = pane->viewport()->grab().toImage();
  return shot.pixelColor(shot.width() - 3, shot.height() - 3);
}

// The edit and save commands that are enabled now, by short name.
QStringList EnabledCommands(const CMainFrame* frame) {
  const std::pair<const char*, const char*> commands[] = {
      {"&Undo\tCtrl+Z", "Undo"},   {"Cu&t\tCtrl+X", "Cut"}, {"&Copy\tCtrl+C", "Copy"},
      {"&Paste\tCtrl+V", "Paste"}, {"&Save", "Save"},       {"Save &As ...", "Save As"}};
  QStringList enabled;
  for (const auto& [text, name] : commands) {
    for (QAction* action : frame->findChildren<QAction*>()) {
      if (action->text() == QLatin1String(text) && action->isEnabled()) enabled << name;
    }
  }
  return enabled;
}

void Trigger(const CMainFrame* frame, const char* text) {
  for (QAction* action : frame->findChildren<QAction*>()) {
    if (action->text() == QLatin1String(text)) action->trigger();
  }
}

// Every way a key could change the text: letters, Return, Backspace,
// Delete, and paste, cut and undo by their keys.
void TypeEverything(CContentEdit* pane) {
  QApplication::clipboard()->setText(QStringLiteral("pasted"));
  pane->setFocus();
  pane->selectAll();
  QTest::keyClicks(pane, "typed");
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Backspace, Qt::Key_Delete}) {
    QTest::keyClick(pane, key);
  }
  for (Qt::Key key : {Qt::Key_V, Qt::Key_X, Qt::Key_Z})
    QTest::keyClick(pane, key, Qt::ControlModifier);
  QTest::keyClick(pane, Qt::Key_Insert, Qt::ShiftModifier);
}

// A received text "memo.txt" listed above a received picture "photo" for
// every user, with a HotSync user "Anne" who has none: the program starts
// on the text, and "edited " is typed at its start. The store's entries.
std::vector<store::FileListEntry> StartWithEditedMemo(Harness& harness) {
  harness.sandbox.AddHotSyncUsers({"Anne"});
  std::string text = harness.sandbox.DataDir() + "/memo.txt";
  std::string picture = harness.sandbox.DataDir() + "/photo.bmp";
  vlmtest::WriteFile(text, "first line\r\n");
  WritePicture(picture);
  std::vector<store::FileListEntry> entries = {ReceivedEntry(2, "photo", 2, picture),
                                               ReceivedEntry(1, "memo.txt", 1, text)};
  WriteStore(harness.sandbox.StorePath(), entries);
  if (!harness.Start()) return {};
  CContentEdit* pane = Pane(harness);
  pane->moveCursor(QTextCursor::Start);
  QTest::keyClicks(pane, "edited ");
  return entries;
}

}  // namespace

void ContentPaneTest::descriptionsIgnoreTypingAndDisableEditing() {
  Harness harness;
  store::FileListEntry kept =
      ReceivedEntry(2, "song.mid", 3, harness.sandbox.DataDir() + "/song.mid");
  kept.path = "song.mid";
  kept.lastSent.bytes = {20, 24, 5, 1, 14, 7, 0, 0};
  WriteStore(
      harness.sandbox.StorePath(),
      {kept, MakeEntry({.id = 1, .title = "plan.doc", .action = 2, .format = 3, .size = 1500})});
  QVERIFY(harness.Start());
  CVellamoreView* view = harness.View();
  CContentEdit* pane = Pane(harness);

  QCOMPARE(harness.PaneTitle(), QStringLiteral("plan.doc - PC File"));
  QString described = PaneTextOf(
      "FILE DESCRIPTION\r\n\r\nAction:  Send to handheld one time only\r\n\r\n"
      "Path:  /home/pc/plan.doc\r\n\r\n"
      "Date Created:  3/14/24 9:30 am\r\nDate Modified:  3/15/24 5:05 pm\r\n"
      "Size:  2K\r\n\r\nFormat:  Original PC format (may not be viewable on Palm)\r\n\r\n"
      "Last sent to handheld:  File has not been sent to handheld");
  QCOMPARE(harness.PaneText(), described);
  QCOMPARE(Background(pane), QColor(150, 200, 200));
  QCOMPARE(EnabledCommands(harness.Frame()), QStringList({"Copy"}));
  TypeEverything(pane);
  QCOMPARE(harness.PaneText(), described);

  harness.SelectRow(1);
  QCOMPARE(harness.PaneTitle(), QStringLiteral("song.mid - Handheld File"));
  described = PaneTextOf(
      "FILE DESCRIPTION\r\n\r\nFile was received from handheld\r\n\r\nPath:  song.mid\r\n\r\n"
      "Date Created:  3/14/24 9:30 am\r\nDate Modified:  3/15/24 5:05 pm\r\n"
      "Size:  100 bytes\r\n\r\nFormat:  Original PC Format (may not be viewable on Palm)\r\n\r\n"
      "Last received by PC:  5/1/24 2:07 pm\r\n");
  QCOMPARE(harness.PaneText(), described);
  QCOMPARE(Background(pane), QColor(80, 255, 80));
  TypeEverything(pane);
  QCOMPARE(harness.PaneText(), described);
  QCOMPARE(EnabledCommands(harness.Frame()), QStringList({"Copy"}));
  // Save never writes a description over the received file.
  QVERIFY(!view->SaveText());
  QVERIFY(!platform::GetFileStatus(kept.receivedCopy).has_value());
  QVERIFY(harness.prompts.shown.empty());
}

void ContentPaneTest::receivedTextSavesThroughSaveAndSaveAs() {
  Harness harness;
  std::string copy = harness.sandbox.DataDir() + "/memo.txt";
  // UTF-8 with PC line breaks; the NUL hides the rest of its piece.
  vlmtest::WriteFile(copy, std::string("Caf\xC3\xA9\r\nline two") + '\0' + "hidden\r\n");
  QVERIFY(harness.StartWith({ReceivedEntry(1, "memo.txt", 1, copy)}));
  CVellamoreView* view = harness.View();
  CContentEdit* pane = Pane(harness);
  const CMainFrame* frame = harness.Frame();

  QCOMPARE(harness.PaneTitle(), QStringLiteral("memo.txt - Handheld File"));
  QCOMPARE(harness.PaneText(), QString::fromUtf8("Caf\xC3\xA9\nline two"));
  QCOMPARE(Background(pane), QColor(Qt::white));
  QCOMPARE(EnabledCommands(frame), QStringList({"Cut", "Copy", "Paste", "Save", "Save As"}));
  pane->moveCursor(QTextCursor::End);
  QTest::keyClick(pane, Qt::Key_Return);
  QTest::keyClicks(pane, "three");
  QCOMPARE(EnabledCommands(frame).first(), QStringLiteral("Undo"));

  Trigger(frame, "&Save");
  QCOMPARE(ReadBytes(copy), std::string("Caf\xC3\xA9\nline two\nthree"));
  QVERIFY(!pane->IsModified());

  QTest::keyClicks(pane, " more");
  std::string other = harness.sandbox.Root() + "/other.txt";
  harness.prompts.saveFiles = {other};
  Trigger(frame, "Save &As ...");
  QCOMPARE(ReadBytes(other), std::string("Caf\xC3\xA9\nline two\nthree more"));
  QCOMPARE(ReadBytes(copy), std::string("Caf\xC3\xA9\nline two\nthree"));
  QVERIFY(!pane->IsModified());

  // A target that cannot be written keeps its bytes, says so, and the text
  // stays marked as changed.
  QTest::keyClicks(pane, "!");
  std::string locked = harness.sandbox.Root() + "/locked.txt";
  vlmtest::WriteFile(locked, "old");
  QVERIFY(chmod(locked.c_str(), 0444) == 0);
  harness.prompts.saveFiles = {locked};
  QVERIFY(!view->SaveTextAs());
  QCOMPARE(harness.prompts.shown.size(), size_t{1});
  QCOMPARE(harness.prompts.shown[0].text, "Error opening file: " + locked);
  QCOMPARE(harness.prompts.shown[0].caption, std::string("Error"));
  QCOMPARE(ReadBytes(locked), std::string("old"));
  QVERIFY(pane->IsModified());
}

void ContentPaneTest::missingTextShowsNotFoundAndCannotBeSaved() {
  Harness harness;
  std::string copy = harness.sandbox.DataDir() + "/gone.txt";
  QVERIFY(harness.StartWith({ReceivedEntry(1, "gone.txt", 1, copy)}));
  QCOMPARE(harness.PaneTitle(), QStringLiteral("gone.txt - Handheld File"));
  QCOMPARE(harness.PaneText(), PaneTextOf(("Error\r\n\r\nFile not found:  " + copy).c_str()));
  QCOMPARE(EnabledCommands(harness.Frame()), QStringList({"Copy"}));
  // Saving would make the missing file out of the error message.
  QVERIFY(!harness.View()->SaveText());
  QVERIFY(!platform::GetFileStatus(copy).has_value());
  QVERIFY(harness.prompts.shown.empty());
}

void ContentPaneTest::pictureShowsCentredOnBlackAndCopies() {
  Harness harness;
  std::string copy = harness.sandbox.DataDir() + "/photo.bmp";
  WritePicture(copy);
  QVERIFY(harness.StartWith({ReceivedEntry(5, "photo", 2, copy)}));
  CVellamoreView* view = harness.View();
  auto* frame = FindControl<QLabel>(view, kIdPictureFrame);
  QVERIFY(harness.IsPictureShown());
  QVERIFY(frame->isVisibleTo(view) && !Pane(harness)->isVisibleTo(view));
  QCOMPARE(harness.PaneTitle(), QStringLiteral("photo - Handheld File"));
  QCOMPARE(EnabledCommands(harness.Frame()), QStringList({"Copy"}));

  // The window made so that the pane's inside is 400 by 300: the picture
  // is drawn anew for the frame's size.
  int border = frame->frameWidth();
  view->resize(2 * (400 + 2 * border + 21), 300 + 2 * border + 54);
  QImage canvas = frame->pixmap().toImage();
  QCOMPARE(canvas.size(), QSize(400, 300));
  QCOMPARE(canvas.pixelColor(120, 70), QColor(255, 0, 0));
  QCOMPARE(canvas.pixelColor(279, 229), QColor(0, 255, 0));
  QCOMPARE(canvas.pixelColor(200, 150), QColor(0, 0, 255));
  for (QPoint outside : {QPoint(119, 70), QPoint(120, 69), QPoint(280, 229), QPoint(279, 230)}) {
    QCOMPARE(canvas.pixelColor(outside), QColor(0, 0, 0));
  }

  QApplication::clipboard()->clear();
  Trigger(harness.Frame(), "&Copy\tCtrl+C");
  QImage copied = QApplication::clipboard()->image();
  QCOMPARE(copied.size(), QSize(160, 160));
  QCOMPARE(copied.pixelColor(0, 0), QColor(255, 0, 0));
}

void ContentPaneTest::changedTextIsOfferedForSavingBeforeThePaneMovesOn() {
  Harness harness;
  QVERIFY(!StartWithEditedMemo(harness).empty());
  std::string text = harness.sandbox.DataDir() + "/memo.txt";
  CContentEdit* pane = Pane(harness);

  // A reload selects the same entry anew: the changes stay, unasked.
  harness.Frame()->OnChar(CMainFrame::kReloadCharacter);
  QCOMPARE(harness.PaneText(), QStringLiteral("edited first line\n"));
  QVERIFY(harness.prompts.shown.empty());

  std::string saved = harness.sandbox.Root() + "/saved.txt";
  harness.prompts.answers = {kIdYes};
  harness.prompts.saveFiles = {saved};
  bool pictureShownWhileAsked = true;
  harness.prompts.whileChoosingSave = [&] { pictureShownWhileAsked = harness.IsPictureShown(); };
  harness.SelectRow(1);
  QCOMPARE(harness.prompts.shown.size(), size_t{1});
  QCOMPARE(harness.prompts.shown[0].text, std::string(kTextChangedText));
  QCOMPARE(harness.prompts.shown[0].caption, std::string(kTextChangedCaption));
  QCOMPARE(harness.prompts.saveDialogs, 1);
  QVERIFY(!pictureShownWhileAsked);
  QCOMPARE(ReadBytes(saved), std::string("edited first line\n"));
  QCOMPARE(ReadBytes(text), std::string("first line\r\n"));
  QVERIFY(harness.IsPictureShown());

  // A filter that empties the list offers the save as well, though no row
  // is selected any more.
  harness.SelectRow(0);
  pane->moveCursor(QTextCursor::End);
  QTest::keyClicks(pane, "more");
  std::string emptied = harness.sandbox.Root() + "/emptied.txt";
  harness.prompts.answers = {kIdYes};
  harness.prompts.saveFiles = {emptied};
  Harness::Choose(harness.UserFilter(), QStringLiteral("Anne"));
  QCOMPARE(ReadBytes(emptied), std::string("first line\nmore"));
  QCOMPARE(harness.PaneTitle(), QString::fromLatin1(kNoFilesTitle));
}

void ContentPaneTest::changedTextQuestionAnswers_data() {
  QTest::addColumn<QString>("trigger");  // what leaves the text: select, filter or close
  QTest::addColumn<int>("answer");
  QTest::addColumn<bool>("saveAsChoosesFile");
  QTest::addColumn<bool>("reloadWhileAsked");
  QTest::addColumn<bool>("movesOn");
  QTest::newRow("select, Yes and saved") << "select" << int{kIdYes} << true << false << true;
  QTest::newRow("select, Yes, Save As cancelled")
      << "select" << int{kIdYes} << false << false << false;
  QTest::newRow("select, No") << "select" << int{kIdNo} << false << false << true;
  QTest::newRow("select, Cancel") << "select" << int{kIdCancel} << false << false << false;
  QTest::newRow("select, Cancel, reload while asked")
      << "select" << int{kIdCancel} << false << true << false;
  QTest::newRow("select, Yes and saved, reload while asked")
      << "select" << int{kIdYes} << true << true << true;
  QTest::newRow("filter, Cancel") << "filter" << int{kIdCancel} << false << false << false;
  QTest::newRow("filter, Yes, Save As cancelled, reload while asked")
      << "filter" << int{kIdYes} << false << true << false;
  QTest::newRow("filter, No") << "filter" << int{kIdNo} << false << false << true;
  QTest::newRow("close, Cancel") << "close" << int{kIdCancel} << false << false << false;
  QTest::newRow("close, Yes, Save As cancelled")
      << "close" << int{kIdYes} << false << false << false;
  QTest::newRow("close, No") << "close" << int{kIdNo} << false << false << true;
}

void ContentPaneTest::changedTextQuestionAnswers() {
  QFETCH(QString, trigger);
  QFETCH(int, answer);
  QFETCH(bool, saveAsChoosesFile);
  QFETCH(bool, reloadWhileAsked);
  QFETCH(bool, movesOn);
  Harness harness;
  std::vector<store::FileListEntry> entries = StartWithEditedMemo(harness);
  QVERIFY(!entries.empty());
  std::string text = harness.sandbox.DataDir() + "/memo.txt";
  CContentEdit* pane = Pane(harness);
  QCOMPARE(harness.SelectedName(), QStringLiteral("memo.txt"));

  std::string saved = harness.sandbox.Root() + "/saved.txt";
  harness.prompts.answers = {answer};
  if (saveAsChoosesFile) harness.prompts.saveFiles = {saved};
  if (reloadWhileAsked) {
    // A HotSync ends while the question is open: a new entry heads the
    // list and every row moves down.
    harness.prompts.whileShown = [&](const ScriptedPrompts::Shown&) {
      entries.push_back(MakeEntry({.id = 3, .title = "new.doc"}));
      WriteStore(harness.sandbox.StorePath(), entries);
      harness.Frame()->OnChar(CMainFrame::kReloadCharacter);
    };
  }
  if (trigger == "select") harness.SelectRow(1);
  if (trigger == "filter") Harness::Choose(harness.UserFilter(), QStringLiteral("Anne"));
  if (trigger == "close") harness.Frame()->close();

  QCOMPARE(harness.prompts.Captions(), std::vector<std::string>({kTextChangedCaption}));
  QCOMPARE(harness.prompts.shown[0].style, unsigned{kMbYesNoCancel});
  // Save As opens on the received file's own path.
  QCOMPARE(harness.prompts.proposedSaves,
           answer == kIdYes ? std::vector<std::string>({text}) : std::vector<std::string>());
  QCOMPARE(ReadBytes(saved),
           saveAsChoosesFile ? std::string("edited first line\n") : std::string("<none>"));
  QCOMPARE(ReadBytes(text), std::string("first line\r\n"));
  if (reloadWhileAsked && trigger != "filter") QCOMPARE(harness.Names().size(), 3);
  if (!movesOn) {
    // Everything as it was: the text with its changes, its row selected,
    // the filter put back, the window open.
    QCOMPARE(harness.PaneText(), QStringLiteral("edited first line\n"));
    QVERIFY(pane->IsModified());
    QCOMPARE(harness.SelectedName(), QStringLiteral("memo.txt"));
    QCOMPARE(harness.UserFilter()->currentText(), QStringLiteral("All"));
    QVERIFY(harness.Frame()->isVisible());
  } else if (trigger == "select") {
    QCOMPARE(harness.SelectedName(), QStringLiteral("photo"));
    QVERIFY(harness.IsPictureShown());
  } else if (trigger == "filter") {
    QCOMPARE(harness.PaneTitle(), QString::fromLatin1(kNoFilesTitle));
  } else {
    QVERIFY(!harness.Frame()->isVisible());
  }
}

void ContentPaneTest::screenshotsOfEachMode() {
  Harness harness;
  std::string data = harness.sandbox.DataDir();
  vlmtest::WriteFile(data + "/Shopping.txt", "Milk\r\nBread\r\nCoffee (the good one)\r\n");
  WritePicture(data + "/Sketch.bmp");
  store::FileListEntry kept = ReceivedEntry(3, "Tune.mid", 3, data + "/Tune.mid");
  kept.lastSent.bytes = {20, 24, 5, 1, 14, 7, 0, 0};
  QVERIFY(harness.StartWith({ReceivedEntry(4, "Sketch", 2, data + "/Sketch.bmp"), kept,
                             ReceivedEntry(2, "Shopping.txt", 1, data + "/Shopping.txt"),
                             MakeEntry({.id = 1, .title = "Quarterly report.doc", .action = 0})}));
  QVERIFY(QTest::qWaitForWindowExposed(harness.Frame()));
  const char* names[] = {"pc_description", "received_text", "received_description",
                         "received_picture"};
  for (int row = 0; row < 4; ++row) {
    harness.SelectRow(row);
    QString path = QStringLiteral(DESKTOP_TEST_OUTPUT_DIR "/pane_%1.png").arg(names[row]);
    QVERIFY(harness.Frame()->grab().toImage().save(path));
    qInfo("screenshot: %s", qPrintable(path));
  }
}

}  // namespace desktop::test
