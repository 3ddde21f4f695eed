// Changes made while another writer rewrites the list, on real store files:
// a HotSync's reload arriving while "Really delete this item?", the details
// dialog or the print dialog is open, and a save made while a HotSync holds
// the list lock.
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include "file_list_lock.h"
#include "fs/fs.h"
#include "messages.h"
#include "pc_file_details_dlg.h"
#include "widget_test_harness.h"
#include "widget_tests.h"

namespace desktop::test {
namespace {

std::vector<store::FileListEntry> ThreeEntries() {
  return {MakeEntry({.id = 1, .title = "one", .action = store::kActionOneTime}),
          MakeEntry({.id = 2, .title = "two", .action = store::kActionOneTime}),
          MakeEntry({.id = 3, .title = "three", .action = store::kActionOneTime})};
}

// What a HotSync leaves: entry 2 sent (stamped, One Time become Don't
// Send), or sent under a new ID when `removesTwo`; a received file
// appended.
std::vector<store::FileListEntry> AfterHotSync(bool removesTwo) {
  std::vector<store::FileListEntry> entries = ThreeEntries();
  entries[1].lastSent.bytes = {20, 24, 6, 1, 12, 30, 0, 0};
  entries[1].action = store::kActionDontSend;
  if (removesTwo) entries[1].id = 9;
  entries.push_back(ReceivedEntry(4, "Memo.txt", 1));
  return entries;
}

std::vector<std::array<uint8_t, store::FileListEntry::kSize>> Encoded(
    const std::vector<store::FileListEntry>& entries) {
  std::vector<std::array<uint8_t, store::FileListEntry::kSize>> bytes;
  for (const store::FileListEntry& entry : entries) bytes.push_back(entry.Encode());
  return bytes;
}

// The HotSync's save and its reload notification.
void HotSyncRewrites(Harness& harness, bool removesTwo) {
  WriteStore(harness.sandbox.StorePath(), AfterHotSync(removesTwo));
  harness.Frame()->OnChar(CMainFrame::kReloadCharacter);
}

}  // namespace

void ListChangeTest::answerAfterAReloadActsOnTheSameEntryOrNone_data() {
  QTest::addColumn<QString>("command");
  QTest::addColumn<bool>("removesTwo");
  QTest::newRow("delete, entry gone") << "delete" << true;
  QTest::newRow("details, entry gone") << "details" << true;
  QTest::newRow("details, entry stamped") << "details" << false;
  QTest::newRow("print, entry gone") << "print" << true;
}

void ListChangeTest::answerAfterAReloadActsOnTheSameEntryOrNone() {
  QFETCH(QString, command);
  QFETCH(bool, removesTwo);
  Harness harness;
  harness.sandbox.AddHotSyncUsers({"Bob"});
  QVERIFY(harness.StartWith(ThreeEntries()));
  harness.SelectRow(1);
  QCOMPARE(harness.SelectedName(), QStringLiteral("two"));

  const char* caption = kDetailsCaption;
  const QString printout = QString::fromStdString(harness.sandbox.Root() + "/two.pdf");
  if (command == "delete") {
    caption = kDeleteCaption;
    harness.prompts.whileShown = [&](const ScriptedPrompts::Shown&) {
      harness.prompts.whileShown = nullptr;
      HotSyncRewrites(harness, removesTwo);
    };
    harness.View()->DeleteSelectedEntry();
  } else if (command == "print") {
    caption = kPrintCaption;
    PrintThroughDialog(harness, [&](QPrinter& printer) {
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(printout);
      HotSyncRewrites(harness, removesTwo);
    });
  } else {
    WhenShown<CPcFileDetailsDlg>([&](CPcFileDetailsDlg* dialog) {
      Harness::Choose(FindControl<QComboBox>(dialog, kIdDetailsUser), QStringLiteral("Bob"));
      HotSyncRewrites(harness, removesTwo);
      FindControl<QPushButton>(dialog, kIdOkButton)->click();
    });
    harness.View()->ShowDetails();
  }

  std::vector<store::FileListEntry> expected = AfterHotSync(removesTwo);
  if (removesTwo) {
    // Nothing changes, and the user is told so.
    QVERIFY(!harness.prompts.shown.empty());
    QCOMPARE(harness.prompts.shown.back().text, std::string(kEntryGoneText));
    QCOMPARE(harness.prompts.shown.back().caption, std::string(caption));
  } else {
    // The user's choice, over the HotSync's stamp and action.
    expected[1].user = "Bob";
  }
  QVERIFY(Encoded(ReadStore(harness.sandbox.StorePath())->Entries()) == Encoded(expected));
  QVERIFY(!platform::GetFileStatus(printout.toStdString()).has_value());
}

void ListChangeTest::saveWaitsForTheHotSyncAndKeepsWhatItWrote() {
  Harness harness;
  QVERIFY(harness.StartWith(ThreeEntries()));
  CMainFrame* frame = harness.Frame();
  auto hotSync = std::make_unique<store::FileListLock>();
  QCOMPARE(hotSync->TryLock(harness.sandbox.StorePath()), store::FileListLock::Result::kLocked);

  harness.SelectRow(2);  // "one"
  harness.View()->DeleteSelectedEntry();
  QVERIFY(harness.View()->IsWaitingForList());
  QCOMPARE(frame->cursor().shape(), Qt::BusyCursor);
  QCOMPARE(frame->statusBar()->currentMessage(), QString::fromLatin1(kWaitingForListText));
  QCOMPARE(harness.Names(), QStringList({"three", "two"}));
  QCOMPARE(ReadStore(harness.sandbox.StorePath())->Entries().size(), size_t{3});

  // Quitting now would lose the delete: the program asks, and stays.
  harness.prompts.answers = {kIdNo};
  QVERIFY(!frame->close());
  QCOMPARE(harness.prompts.shown.back().text, std::string(kQuitWhileWaitingText));

  // The HotSync saves, releases the list and posts its reload; the waiting
  // delete then goes onto the list the HotSync left.
  HotSyncRewrites(harness, false);
  QCOMPARE(harness.Names(), QStringList({"Memo.txt", "three", "two"}));
  hotSync.reset();
  QTRY_VERIFY_WITH_TIMEOUT(!harness.View()->IsWaitingForList(), 60000);
  QCOMPARE(frame->cursor().shape(), Qt::ArrowCursor);
  QCOMPARE(frame->statusBar()->currentMessage(), QStringLiteral("Ready"));

  std::vector<store::FileListEntry> expected = AfterHotSync(false);
  expected.erase(expected.begin());
  QVERIFY(Encoded(ReadStore(harness.sandbox.StorePath())->Entries()) == Encoded(expected));
  QCOMPARE(harness.prompts.shown.size(), size_t{2});  // the delete and the quit questions
}

}  // namespace desktop::test
