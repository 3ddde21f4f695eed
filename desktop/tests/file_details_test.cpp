// Adding files through the open-file dialog and the PC File Details dialog,
// and editing listed entries, on a real store file.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "crt/crand.h"
#include "elided_label.h"
#include "fs/fs.h"
#include "handheld_file_details_dlg.h"
#include "messages.h"
#include "pc_file_details_dlg.h"
#include "widget_test_harness.h"
#include "widget_tests.h"

namespace desktop::test {
namespace {

QComboBox* Combo(QWidget* dialog, int id) {
  return FindControl<QComboBox>(dialog, id);
}

void PressOk(QDialog* dialog) {
  FindControl<QPushButton>(dialog, kIdOkButton)->click();
}
void PressCancel(QDialog* dialog) {
  FindControl<QPushButton>(dialog, kIdCancelButton)->click();
}

}  // namespace

void FileDetailsTest::addWithAllUserShowsTheRowAtTheTopWhateverTheFilter() {
  Harness harness;
  QVERIFY(harness.StartWith({MakeEntry({.id = 1, .title = "old.txt"})}));
  Harness::Choose(harness.CategoryFilter(), QStringLiteral("Personal"));
  QCOMPARE(harness.Names(), QStringList());

  std::string path = harness.sandbox.MakeFile("notes.txt", 2500);
  harness.prompts.openFiles = {path};
  bool shown = false;
  WhenShown<CPcFileDetailsDlg>([&](CPcFileDetailsDlg* dialog) {
    shown = true;
    QCOMPARE(dialog->windowTitle(), QStringLiteral("PC File Details"));
    QCOMPARE(Combo(dialog, kIdDetailsUser)->currentText(), QStringLiteral("All"));
    QCOMPARE(Combo(dialog, kIdDetailsCategory)->currentText(), QStringLiteral("Unfiled"));
    QCOMPARE(Combo(dialog, kIdDetailsAction)->currentText(), QStringLiteral("If Changed"));
    QVERIFY(FindControl<QRadioButton>(dialog, kIdDetailsPalmFormat)->isChecked());
    QCOMPARE(FindControl<QLabel>(dialog, kIdDetailsSize)->text(), QStringLiteral("3K"));
    QCOMPARE(FindControl<QLabel>(dialog, kIdDetailsLastSent)->text(),
             QStringLiteral("0/0/00 0:00 am"));
    PressOk(dialog);
  });
  harness.View()->AddFile();
  QVERIFY(shown);
  QCOMPARE(harness.Names(), QStringList({"notes.txt"}));
  QCOMPARE(harness.SelectedName(), QStringLiteral("notes.txt"));

  auto stored = ReadStore(harness.sandbox.StorePath());
  QVERIFY(stored.has_value());
  QCOMPARE(stored->Entries().size(), size_t{2});
  const store::FileListEntry& added = stored->Entries()[1];
  QCOMPARE(added.title, std::string("notes.txt"));
  QCOMPARE(added.path, path);
  QCOMPARE(added.user, std::string("All"));
  QCOMPARE(added.category, uint16_t{0});
  QCOMPARE(added.action, uint16_t{store::kActionIfChanged});
  QCOMPARE(added.format, uint16_t{store::kFormatHandheld});
  QCOMPARE(added.changed, uint16_t{1});
  QCOMPARE(added.size, uint32_t{2500});
  QVERIFY(added.modified.IsSet());
  QVERIFY(!added.lastSent.IsSet());
  QVERIFY(added.id != 1);
}

void FileDetailsTest::addCancelledStoresNothing() {
  Harness harness;
  QVERIFY(harness.Start());
  harness.View()->AddFile();  // the open-file dialog is cancelled
  QCOMPARE(harness.prompts.openDialogs, 1);

  harness.prompts.openFiles = {harness.sandbox.MakeFile("a.txt", 10)};
  WhenShown<CPcFileDetailsDlg>([](CPcFileDetailsDlg* dialog) { PressCancel(dialog); });
  harness.View()->AddFile();
  QCOMPARE(harness.Names(), QStringList());
  QCOMPARE(harness.View()->Model().Count(), size_t{0});
  QVERIFY(!ReadStore(harness.sandbox.StorePath()).has_value());
  QVERIFY(harness.prompts.shown.empty());
}

void FileDetailsTest::addRefusesLongPathsAndUnreadableFiles() {
  Harness harness;
  QVERIFY(harness.Start());
  std::string longPath = "/" + std::string(127, 'p');
  std::string gone = harness.sandbox.Root() + "/gone.txt";
  harness.prompts.openFiles = {longPath, gone};
  harness.View()->AddFile();
  harness.View()->AddFile();
  QCOMPARE(harness.prompts.shown.size(), size_t{2});
  QCOMPARE(harness.prompts.shown[0].caption, std::string(kAddFileCaption));
  QVERIFY(harness.prompts.shown[0].text.find(longPath) != std::string::npos);
  QVERIFY(harness.prompts.shown[0].text.find("127") != std::string::npos);
  QVERIFY(harness.prompts.shown[1].text.find(gone) != std::string::npos);
  QCOMPARE(harness.View()->Model().Count(), size_t{0});

  // A path of exactly 127 characters fits.
  std::string folder = harness.sandbox.Root() + "/";
  std::string fitting = folder + std::string(127 - folder.size(), 'f');
  QCOMPARE(fitting.size(), size_t{127});
  harness.sandbox.MakeFile(fitting.substr(folder.size()), 5);
  harness.prompts.openFiles = {fitting};
  WhenShown<CPcFileDetailsDlg>([](CPcFileDetailsDlg* dialog) { PressOk(dialog); });
  harness.View()->AddFile();
  QCOMPARE(ReadStore(harness.sandbox.StorePath())->Entries().at(0).path, fitting);
  // Its title is cut to 39 characters.
  QCOMPARE(harness.Names(), QStringList({QString(39, QLatin1Char('f'))}));
}

void FileDetailsTest::twoAddsGetDifferentIdsWhenTheGeneratorRepeats() {
  Harness harness;
  QVERIFY(harness.Start());
  for (const char* name : {"one.txt", "two.txt"}) {
    harness.prompts.openFiles = {harness.sandbox.MakeFile(name, 10)};
    platform::CSrand(99);
    WhenShown<CPcFileDetailsDlg>([](CPcFileDetailsDlg* dialog) { PressOk(dialog); });
    harness.View()->AddFile();
  }
  auto rows = harness.View()->ListedRows();
  QCOMPARE(rows.size(), size_t{2});
  QVERIFY(rows[0].id != rows[1].id);
  QCOMPARE(ReadStore(harness.sandbox.StorePath())->Entries().size(), size_t{2});
}

void FileDetailsTest::dialogShowsTheEntry() {
  Harness harness;
  harness.sandbox.AddHotSyncUsers({"bob", "Anne"});
  QVERIFY(harness.Start());
  auto header = HeaderWithLabels({"Misc", "Personal", "", "Work"});
  struct Case {
    EntrySpec spec;
    const char *user, *category, *action;
    bool pcFormat;
  } cases[] = {
      {{.id = 1, .title = "a", .user = "Anne", .category = 0, .action = 0, .format = 3},
       "Anne",
       "Unfiled",
       "Always",
       true},
      {{.id = 2, .title = "b", .user = "Ann", .category = 3, .action = 1},
       "Ann",
       "Work",
       "Don't Send",
       false},
      {{.id = 3, .title = "c", .user = "All", .category = 1, .action = 7},
       "All",
       "Personal",
       "If Changed",
       false},
  };
  for (const Case& c : cases) {
    CPcFileDetailsDlg dialog(harness.prompts, MakeEntry(c.spec), header, {"bob", "Anne"},
                             harness.View());
    QCOMPARE(Harness::Items(Combo(&dialog, kIdDetailsUser)), QStringList({"All", "Anne", "bob"}));
    QCOMPARE(Harness::Items(Combo(&dialog, kIdDetailsCategory)),
             QStringList({"Misc", "Personal", "Work"}));
    QCOMPARE(Harness::Items(Combo(&dialog, kIdDetailsAction)),
             QStringList({"Always", "Don't Send", "If Changed", "One Time"}));
    QCOMPARE(Combo(&dialog, kIdDetailsUser)->currentText(), QString::fromLatin1(c.user));
    QCOMPARE(Combo(&dialog, kIdDetailsCategory)->currentText(), QString::fromLatin1(c.category));
    QCOMPARE(Combo(&dialog, kIdDetailsAction)->currentText(), QString::fromLatin1(c.action));
    QCOMPARE(FindControl<QRadioButton>(&dialog, kIdDetailsPcFormat)->isChecked(), c.pcFormat);
    QCOMPARE(FindControl<QLabel>(&dialog, kIdDetailsFile)->text(),
             QString::fromStdString(c.spec.title));
    if (c.spec.id == 1) {
      dialog.show();
      QVERIFY(dialog.grab().toImage().save(
          QStringLiteral(DESKTOP_TEST_OUTPUT_DIR "/pc_file_details.png")));
    }
  }
}

void FileDetailsTest::longPathSpansTheDialogAndShortensInTheMiddle() {
  Harness harness;
  QVERIFY(harness.Start());
  auto entry = MakeEntry({.id = 1, .title = "quarterly report.doc"});
  entry.path = "/home/anne/" + std::string(100, 'd') + "/quarterly report.doc";
  CPcFileDetailsDlg dialog(harness.prompts, entry, store::FileListStore::DefaultHeader(), {},
                           harness.View());
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  auto* location = FindControl<QLabel>(&dialog, kIdDetailsLocation);
  QString shown = location->text();
  QVERIFY2(shown.startsWith(QStringLiteral("/home/")) && shown.contains(QChar(0x2026)) &&
               shown.endsWith(QStringLiteral("report.doc")),
           qPrintable(shown));
  QVERIFY(location->fontMetrics().horizontalAdvance(shown) <= location->width());
  QCOMPARE(location->toolTip(), QString::fromStdString(entry.path));
  // It reaches the right edge of the controls above it.
  QCOMPARE(location->geometry().right(),
           FindControl(&dialog, kIdDetailsPrivate)->geometry().right());
  QVERIFY(dialog.grab().toImage().save(
      QStringLiteral(DESKTOP_TEST_OUTPUT_DIR "/pc_file_details_long_path.png")));
}

void FileDetailsTest::sizeWarningDependsOnSizeAndFormat() {
  Harness harness;
  QVERIFY(harness.Start());
  struct Case {
    uint32_t size;
    bool pcFormat;
    int answer;
    bool warns, accepted;
  } cases[] = {
      {64000, true, kIdYes, false, true},  {64001, true, kIdYes, true, true},
      {64001, true, kIdNo, true, false},   {64001, false, kIdNo, false, true},
      {500000, false, kIdNo, false, true},
  };
  for (const Case& c : cases) {
    harness.prompts.shown.clear();
    harness.prompts.answers = {c.answer};
    auto entry = MakeEntry({.id = 1, .title = "big.bin", .size = c.size});
    CPcFileDetailsDlg dialog(harness.prompts, entry, store::FileListStore::DefaultHeader(), {},
                             harness.View());
    FindControl<QRadioButton>(&dialog, c.pcFormat ? kIdDetailsPcFormat : kIdDetailsPalmFormat)
        ->setChecked(true);
    dialog.accept();
    QCOMPARE(harness.prompts.shown.size(), size_t{c.warns ? 1u : 0u});
    if (c.warns) {
      QCOMPARE(harness.prompts.shown[0].text, std::string(kSizeWarningText));
      QCOMPARE(harness.prompts.shown[0].caption, std::string("Add File to List"));
      QCOMPARE(harness.prompts.shown[0].style, unsigned{kMbYesNo | kMbIconExclamation});
    }
    QCOMPARE(dialog.result() == QDialog::Accepted, c.accepted);
    // Nothing reaches the entry unless the dialog closed with OK.
    QCOMPARE(dialog.Entry().format,
             uint16_t(c.accepted && c.pcFormat ? store::kFormatPc : store::kFormatHandheld));
  }
}

void FileDetailsTest::tooLongOrEmptyUserNameIsRefused() {
  Harness harness;
  QVERIFY(harness.Start());
  auto entry = MakeEntry({.id = 1, .title = "x", .user = "All"});
  CPcFileDetailsDlg dialog(harness.prompts, entry, store::FileListStore::DefaultHeader(), {},
                           harness.View());
  struct Refused {
    QString user;
    const char* text;
  } refused[] = {{QString(40, QLatin1Char('u')), kUserTooLongText},
                 {QString(), kUserEmptyText},
                 {QStringLiteral("  "), kUserEmptyText}};
  for (const Refused& r : refused) {
    harness.prompts.shown.clear();
    Combo(&dialog, kIdDetailsUser)->setEditText(r.user);
    dialog.accept();
    QCOMPARE(harness.prompts.shown.size(), size_t{1});
    QCOMPARE(harness.prompts.shown[0].text, std::string(r.text));
    QVERIFY(dialog.result() != QDialog::Accepted);
    QCOMPARE(dialog.Entry().user, std::string("All"));
  }

  Combo(&dialog, kIdDetailsUser)->setEditText(QString(39, QLatin1Char('u')));
  dialog.accept();
  QCOMPARE(dialog.result(), int(QDialog::Accepted));
  QCOMPARE(dialog.Entry().user, std::string(39, 'u'));
}

void FileDetailsTest::detailsWithoutSelectionOrOnReceivedEntry() {
  Harness harness;
  store::FileListEntry received = MakeEntry({.id = 7,
                                             .title = "memo.txt",
                                             .user = "Anne",
                                             .category = 3,
                                             .kind = 1,
                                             .action = 4,
                                             .format = 1,
                                             .size = 1500});
  received.receivedCopy = "/data/memo1.txt";
  received.isPrivate = 1;
  QVERIFY(harness.StartWith({received},
                            HeaderWithLabels({"Unfiled", "Personal", "Business", "Travel"})));
  auto before = platform::ReadWholeFile(harness.sandbox.StorePath());
  // A received entry opens the read-only Handheld File Details.
  QStringList shown;
  WhenShown<CHandheldFileDetailsDlg>([&shown](CHandheldFileDetailsDlg* dialog) {
    shown << dialog->windowTitle();
    for (int id :
         {kIdDetailsFile, kIdDetailsLocation, kIdDetailsSize, kIdDetailsCreated, kIdDetailsModified,
          kIdDetailsLastSent, kIdHandheldUser, kIdHandheldCategory, kIdHandheldPrivate}) {
      auto* label = FindControl<QLabel>(dialog, id);
      auto* elided = qobject_cast<CElidedLabel*>(label);
      shown << (label == nullptr    ? QStringLiteral("missing %1").arg(id)
                : elided != nullptr ? elided->FullText()
                                    : label->text());
    }
    PressOk(dialog);
  });
  harness.View()->ShowDetails();
  QCOMPARE(shown, QStringList({"Handheld File Details", "memo.txt", "/data/memo1.txt", "2K",
                               "3/14/24 9:30 am", "3/15/24 5:05 pm", "0/0/00 0:00 am", "Anne",
                               "Travel", "Yes"}));
  QVERIFY(harness.prompts.shown.empty());

  harness.List()->clearSelection();
  harness.View()->ShowDetails();
  QCOMPARE(harness.prompts.shown.size(), size_t{1});
  QCOMPARE(harness.prompts.shown[0].text, std::string("Please select an item from the list."));
  QCOMPARE(harness.prompts.shown[0].caption, std::string("File Details"));
  QVERIFY(platform::ReadWholeFile(harness.sandbox.StorePath()) == before);
}

void FileDetailsTest::detailsOkMovesTheRowOutOfTheFilterAndSaves() {
  Harness harness;
  harness.sandbox.AddHotSyncUsers({"Anne", "Bob"});
  QVERIFY(harness.StartWith(
      {MakeEntry({.id = 1, .title = "first.txt", .user = "Anne"}),
       MakeEntry({.id = 2, .title = "second.txt", .user = "Anne", .size = 70000})}));
  Harness::Choose(harness.UserFilter(), QStringLiteral("Anne"));
  QCOMPARE(harness.SelectedName(), QStringLiteral("second.txt"));

  // Cancel changes nothing.
  WhenShown<CPcFileDetailsDlg>([](CPcFileDetailsDlg* dialog) {
    Harness::Choose(Combo(dialog, kIdDetailsUser), QStringLiteral("Bob"));
    PressCancel(dialog);
  });
  harness.View()->ShowDetails();
  QCOMPARE(harness.Names(), QStringList({"second.txt", "first.txt"}));

  // OK with PC format on a big file warns first; then the entry moves to
  // Bob and leaves Anne's list.
  harness.prompts.answers = {kIdYes};
  WhenShown<CPcFileDetailsDlg>([](CPcFileDetailsDlg* dialog) {
    Harness::Choose(Combo(dialog, kIdDetailsUser), QStringLiteral("Bob"));
    Harness::Choose(Combo(dialog, kIdDetailsCategory), QStringLiteral("Business"));
    Harness::Choose(Combo(dialog, kIdDetailsAction), QStringLiteral("Always"));
    FindControl<QCheckBox>(dialog, kIdDetailsPrivate)->setChecked(true);
    FindControl<QRadioButton>(dialog, kIdDetailsPcFormat)->setChecked(true);
    PressOk(dialog);
  });
  harness.View()->ShowDetails();
  QCOMPARE(harness.prompts.Captions(), std::vector<std::string>{"Add File to List"});
  QCOMPARE(harness.Names(), QStringList({"first.txt"}));
  QCOMPARE(harness.SelectedName(), QStringLiteral("first.txt"));

  auto stored = ReadStore(harness.sandbox.StorePath());
  QVERIFY(stored.has_value());
  const store::FileListEntry& edited = stored->Entries()[1];
  QCOMPARE(edited.user, std::string("Bob"));
  QCOMPARE(edited.category, uint16_t{2});
  QCOMPARE(edited.action, uint16_t{store::kActionAlways});
  QCOMPARE(edited.isPrivate, uint16_t{1});
  QCOMPARE(edited.format, uint16_t{store::kFormatPc});
  QCOMPARE(edited.id, uint16_t{2});
}

}  // namespace desktop::test
