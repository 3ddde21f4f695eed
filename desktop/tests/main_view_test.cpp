// The main view on a real store file: start-up, the lists and filters,
// sorting, deleting, a read-only store, the layout and the screenshot.
#include <sys/stat.h>

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "fs/fs.h"
#include "messages.h"
#include "settings/settings.h"
#include "widget_test_harness.h"
#include "widget_tests.h"

namespace desktop::test {
namespace {

QString Pane(const char* text) {
  return PaneTextOf(text);
}

std::vector<store::FileListEntry> ThreeEntries() {
  return {MakeEntry({.id = 101, .title = "alpha.txt"}),
          MakeEntry({.id = 102, .title = "Bravo.doc"}),
          MakeEntry({.id = 103, .title = "charlie.xls"})};
}

}  // namespace

void MainViewTest::startsWithDefaultsWhenThereIsNoStore() {
  Harness harness;
  harness.sandbox.AddHotSyncUsers({"bob", "Anne"});
  QVERIFY(harness.Start());
  QComboBox* users = harness.UserFilter();
  QComboBox* categories = harness.CategoryFilter();
  QCOMPARE(Harness::Items(users), QStringList({"All", "Anne", "bob"}));
  QCOMPARE(Harness::Items(categories), QStringList({"All", "Business", "Personal", "Unfiled"}));
  QCOMPARE(users->currentText(), QStringLiteral("All"));
  QCOMPARE(categories->currentText(), QStringLiteral("All"));
  QCOMPARE(harness.PaneTitle(), QString::fromLatin1(kNoFilesTitle));
  QCOMPARE(harness.PaneText(), Pane(kEmptyListText));
  QCOMPARE(harness.Frame()->windowTitle(), QStringLiteral("Vellamore File View"));
  // The message is for reading: typing, Backspace included, leaves it.
  QWidget* pane = FindControl(harness.View(), kIdTextPane);
  QTest::keyClicks(pane, "typed");
  QTest::keyClick(pane, Qt::Key_Backspace);
  QTest::keyClick(pane, Qt::Key_Delete);
  QCOMPARE(harness.PaneText(), Pane(kEmptyListText));
  // Nothing is written until the first change.
  QVERIFY(!platform::GetFileStatus(harness.sandbox.StorePath()).has_value());
  QVERIFY(harness.prompts.shown.empty());
}

void MainViewTest::missingDataDirSettingUsesTheProgramFolder() {
  Harness harness;
  WriteStore(harness.sandbox.ProgramDir() + "/Vellamore.dat", ThreeEntries());
  QVERIFY(harness.Start(false));
  QCOMPARE(harness.View()->Model().DataDirectory(), harness.sandbox.ProgramDir());
  QCOMPARE(platform::settings::QueryValue("Software\\Olvenmark\\Vellamore\\Directories", "DataDir"),
           std::optional<std::string>(harness.sandbox.ProgramDir()));
  QCOMPARE(harness.Names().size(), 3);
}

void MainViewTest::listsNewestFirstWithColumnTexts() {
  Harness harness;
  QVERIFY(harness.StartWith({MakeEntry({.id = 1, .title = "old.txt", .action = 0, .format = 4}),
                             ReceivedEntry(2, "pic.bmp", 2),
                             MakeEntry({.id = 3, .title = "new.doc", .action = 2, .format = 3})}));
  QTreeWidget* list = harness.List();
  QStringList headers;
  for (int i = 0; i < list->columnCount(); ++i) headers << list->headerItem()->text(i);
  QCOMPARE(headers, QStringList({"Source", "Name", "Action", "Format"}));
  QCOMPARE(list->columnWidth(0), 60);
  QCOMPARE(list->columnWidth(1), 100);
  QCOMPARE(list->columnWidth(2), 100);
  // The last column takes the rest of the list's width.
  QCOMPARE(list->columnWidth(3), list->viewport()->width() - 260);

  auto rows = harness.View()->ListedRows();
  QCOMPARE(rows.size(), size_t{3});
  QCOMPARE(rows[0].id, uint16_t{3});
  QCOMPARE(rows[0].source + "|" + rows[0].action + "|" + rows[0].format,
           std::string("PC|Send Once|PC"));
  QCOMPARE(rows[1].source + "|" + rows[1].action + "|" + rows[1].format,
           std::string("Palm|Received|Image"));
  QCOMPARE(rows[2].name + "|" + rows[2].action + "|" + rows[2].format,
           std::string("old.txt|Always Send|Palm"));
  QVERIFY(!list->topLevelItem(0)->icon(0).isNull());
  QVERIFY(list->topLevelItem(0)->icon(0).cacheKey() != list->topLevelItem(1)->icon(0).cacheKey());
  // The top row is selected and the list has the focus.
  QVERIFY(rows[0].selected);
  QCOMPARE(harness.PaneTitle(), QStringLiteral("new.doc - PC File"));
}

void MainViewTest::filtersByUserAndCategory() {
  Harness harness;
  harness.sandbox.AddHotSyncUsers({"Anne", "all"});
  QVERIFY(harness.StartWith(
      {MakeEntry({.id = 1, .title = "for-all", .user = "All", .category = 1}),
       MakeEntry({.id = 2, .title = "anne-unfiled", .user = "Anne", .category = 0}),
       MakeEntry({.id = 3, .title = "lower-all", .user = "all", .category = 2}),
       MakeEntry({.id = 4, .title = "anne-personal", .user = "Anne", .category = 1})}));
  QCOMPARE(harness.Names(), QStringList({"anne-personal", "lower-all", "anne-unfiled", "for-all"}));

  Harness::Choose(harness.UserFilter(), QStringLiteral("Anne"));
  QCOMPARE(harness.Names(), QStringList({"anne-personal", "anne-unfiled"}));
  QCOMPARE(harness.SelectedName(), QStringLiteral("anne-personal"));
  Harness::Choose(harness.CategoryFilter(), QStringLiteral("Personal"));
  QCOMPARE(harness.Names(), QStringList({"anne-personal"}));
  Harness::Choose(harness.UserFilter(), QStringLiteral("all"));
  QCOMPARE(harness.Names(), QStringList());
  QCOMPARE(harness.PaneTitle(), QString::fromLatin1(kNoFilesTitle));
  QCOMPARE(harness.PaneText(), Pane(kEmptyListText));
  Harness::Choose(harness.CategoryFilter(), QStringLiteral("Business"));
  QCOMPARE(harness.Names(), QStringList({"lower-all"}));
  QCOMPARE(harness.SelectedName(), QStringLiteral("lower-all"));
  Harness::Choose(harness.UserFilter(), QStringLiteral("All"));
  QCOMPARE(harness.Names(), QStringList({"lower-all"}));
}

void MainViewTest::duplicateCategoryLabelListsTheFirstIndex() {
  Harness harness;
  QVERIFY(harness.StartWith({MakeEntry({.id = 1, .title = "in-1", .category = 1}),
                             MakeEntry({.id = 2, .title = "in-3", .category = 3})},
                            HeaderWithLabels({"Unfiled", "Work", "Home", "Work"})));
  QComboBox* categories = harness.CategoryFilter();
  QCOMPARE(categories->count(), 5);  // All, Home, Unfiled, Work, Work
  categories->setCurrentIndex(4);    // the second "Work" item
  QCOMPARE(harness.Names(), QStringList({"in-1"}));
}

void MainViewTest::headerClickSortsAndAFilterChangeRestoresStoreOrder() {
  Harness harness;
  harness.sandbox.AddHotSyncUsers({"Anne"});
  QVERIFY(harness.StartWith(
      {MakeEntry({.id = 1, .title = "delta"}), MakeEntry({.id = 2, .title = "Alpha"}),
       MakeEntry({.id = 3, .title = "charlie"}), MakeEntry({.id = 4, .title = "BRAVO"})}));
  QHeaderView* header = harness.List()->header();
  QPoint nameHeader(header->sectionViewportPosition(1) + 10, header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, nameHeader);
  QCOMPARE(harness.Names(), QStringList({"Alpha", "BRAVO", "charlie", "delta"}));
  // The selected entry stays selected while the rows move.
  QCOMPARE(harness.SelectedName(), QStringLiteral("BRAVO"));
  // Clicking again still sorts ascending.
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, nameHeader);
  QCOMPARE(harness.Names(), QStringList({"Alpha", "BRAVO", "charlie", "delta"}));

  Harness::Choose(harness.UserFilter(), QStringLiteral("Anne"));
  Harness::Choose(harness.UserFilter(), QStringLiteral("All"));
  QCOMPARE(harness.Names(), QStringList({"BRAVO", "charlie", "Alpha", "delta"}));
}

void MainViewTest::deleteSelectsTheRowAboveOrTheNewTop() {
  Harness harness;
  QVERIFY(harness.StartWith(ThreeEntries()));
  CVellamoreView* view = harness.View();

  // The middle row: the row above it is selected.
  harness.SelectRow(1);
  view->DeleteSelectedEntry();
  QCOMPARE(harness.Names(), QStringList({"charlie.xls", "alpha.txt"}));
  QCOMPARE(harness.SelectedName(), QStringLiteral("charlie.xls"));
  // The top row: the new top row is selected.
  view->DeleteSelectedEntry();
  QCOMPARE(harness.Names(), QStringList({"alpha.txt"}));
  QCOMPARE(harness.SelectedName(), QStringLiteral("alpha.txt"));
  auto stored = ReadStore(harness.sandbox.StorePath());
  QVERIFY(stored.has_value());
  QCOMPARE(stored->Entries().size(), size_t{1});
  QCOMPARE(stored->Entries()[0].id, uint16_t{101});
  // The last one: "No Files" and the empty-list message.
  view->DeleteSelectedEntry();
  QCOMPARE(harness.Names(), QStringList());
  QCOMPARE(harness.PaneTitle(), QString::fromLatin1(kNoFilesTitle));
  QCOMPARE(harness.PaneText(), Pane(kEmptyListText));
  QCOMPARE(ReadStore(harness.sandbox.StorePath())->Entries().size(), size_t{0});
  QCOMPARE(harness.prompts.Captions(), std::vector<std::string>(3, kDeleteCaption));
  QCOMPARE(harness.prompts.shown[0].text, std::string(kDeleteQuestionText));
  QCOMPARE(harness.prompts.shown[0].style, unsigned{kMbYesNo});
  // The file a deleted entry named is not touched.
  QVERIFY(platform::GetFileStatus(harness.sandbox.StorePath()).has_value());
}

void MainViewTest::deleteAskedNoOrWithoutSelectionChangesNothing() {
  Harness harness;
  QVERIFY(harness.StartWith(ThreeEntries()));
  auto before = platform::ReadWholeFile(harness.sandbox.StorePath());
  harness.prompts.answers = {kIdNo};
  harness.View()->DeleteSelectedEntry();
  QCOMPARE(harness.Names().size(), 3);

  harness.List()->clearSelection();
  harness.View()->DeleteSelectedEntry();
  QCOMPARE(harness.prompts.shown.back().text, std::string(kDeleteNoSelectionText));
  QCOMPARE(harness.prompts.shown.back().caption, std::string(kDeleteCaption));
  QCOMPARE(harness.Names().size(), 3);
  QVERIFY(platform::ReadWholeFile(harness.sandbox.StorePath()) == before);
}

void MainViewTest::readOnlyStoreReportsEveryChangeButShowsIt() {
  Harness harness;
  WriteStore(harness.sandbox.StorePath(), ThreeEntries());
  QVERIFY(chmod(harness.sandbox.StorePath().c_str(), 0444) == 0);
  QVERIFY(harness.Start());
  harness.View()->DeleteSelectedEntry();
  QCOMPARE(harness.Names(), QStringList({"Bravo.doc", "alpha.txt"}));
  QCOMPARE(harness.prompts.shown.back().text, std::string(kSaveErrorText));
  QCOMPARE(harness.prompts.shown.back().caption, std::string(kSaveErrorCaption));
  QCOMPARE(ReadStore(harness.sandbox.StorePath())->Entries().size(), size_t{3});

  // Writable again: the next change writes the whole image, first change too.
  QVERIFY(chmod(harness.sandbox.StorePath().c_str(), 0644) == 0);
  harness.View()->DeleteSelectedEntry();
  QCOMPARE(ReadStore(harness.sandbox.StorePath())->Entries().size(), size_t{1});
}

void MainViewTest::storeWithTrailingBytesLoadsWholeEntries() {
  Harness harness;
  WriteStore(harness.sandbox.StorePath(), ThreeEntries());
  {
    std::vector<uint8_t> bytes = *platform::ReadWholeFile(harness.sandbox.StorePath());
    bytes.resize(320 + 2 * 378 + 100);
    QCOMPARE(platform::WriteFileAtomically(harness.sandbox.StorePath(), bytes), 0);
  }
  QVERIFY(harness.Start());
  QCOMPARE(harness.Names(), QStringList({"Bravo.doc", "alpha.txt"}));
}

void MainViewTest::layoutFollowsTheWindowSize() {
  Harness harness;
  QVERIFY(harness.Start());
  CVellamoreView* view = harness.View();
  view->resize(801, 600);
  QCOMPARE(harness.List()->geometry(), QRect(10, 44, 379, 512));
  QCOMPARE(FindControl(view, kIdTextPane)->geometry(), QRect(411, 44, 379, 546));
  QCOMPARE(FindControl(view, kIdSeparator)->geometry(), QRect(399, 10, 2, 580));
  QCOMPARE(FindControl(view, kIdPaneTitle)->geometry(), QRect(411, 13, 379, 20));
  // Labels and buttons are as wide as the form makes them, wider where the
  // text needs it in the system's font; each control follows the one on
  // its left.
  QRect userLabel = FindControl(view, kIdUserLabel)->geometry();
  QRect userFilter = harness.UserFilter()->geometry();
  QRect categoryLabel = FindControl(view, kIdCategoryLabel)->geometry();
  QRect add = FindControl(view, kIdAddButton)->geometry();
  QRect remove = FindControl(view, kIdDeleteButton)->geometry();
  QCOMPARE(userLabel.topLeft(), QPoint(10, 13));
  QVERIFY(userLabel.width() >= 28 && categoryLabel.width() >= 48 && add.width() >= 75);
  QCOMPARE(QRect(userFilter.x(), userFilter.y(), userFilter.width(), 0),
           QRect(userLabel.right() + 1, 10, 110, 0));
  QCOMPARE(categoryLabel.topLeft(), QPoint(userFilter.right() + 11, 13));
  QCOMPARE(harness.CategoryFilter()->geometry().topLeft(), QPoint(categoryLabel.right() + 1, 10));
  QCOMPARE(add, QRect(10, 566, add.width(), 24));
  QCOMPARE(remove, QRect(add.right() + 11, 566, add.width(), 24));
  QCOMPARE(FindControl(view, kIdDetailsButton)->geometry(),
           QRect(remove.right() + 11, 566, add.width(), 24));
  QCOMPARE(FindControl<QPushButton>(view, kIdAddButton)->text(), QStringLiteral("Add ..."));
  QCOMPARE(FindControl<QPushButton>(view, kIdDetailsButton)->text(), QStringLiteral("Details ..."));
  QCOMPARE(FindControl<QLabel>(view, kIdPaneTitle)->font().bold(), true);
  QCOMPARE(FindControl<QLabel>(view, kIdPaneTitle)->font().pixelSize(), 16);
  QVERIFY(!FindControl(view, kIdPictureFrame)->isVisible());
}

void MainViewTest::noControlCoversAnotherInTheSmallestWindow() {
  Harness harness;
  QVERIFY(harness.Start());
  harness.Frame()->resize(1, 1);
  QVERIFY(harness.Frame()->width() > 1);
  QList<QWidget*> controls;
  for (QWidget* control : harness.View()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (control->isVisibleTo(harness.View())) controls << control;
  }
  QVERIFY(controls.size() >= 11);
  for (QWidget* control : controls) {
    QVERIFY(harness.View()->rect().contains(control->geometry()));
    for (QWidget* other : controls) {
      QVERIFY2(control == other || !control->geometry().intersects(other->geometry()),
               qPrintable(
                   QStringLiteral("%1 covers %2")
                       .arg(control->metaObject()->className(), other->metaObject()->className())));
    }
  }
  // Every label shows its whole text.
  for (QLabel* label : harness.View()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
    QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->width());
  }
  QVERIFY(harness.Frame()->grab().toImage().save(
      QStringLiteral(DESKTOP_TEST_OUTPUT_DIR "/vellamore_smallest_window.png")));
}

void MainViewTest::screenshotOfTheMainWindow() {
  Harness harness;
  harness.sandbox.AddHotSyncUsers({"Anne Smith"});
  std::vector<store::FileListEntry> entries = {
      MakeEntry({.id = 11, .title = "Quarterly report.doc", .user = "Anne Smith"}),
      MakeEntry({.id = 12, .title = "Budget 2024.xls", .action = 0, .format = 3}),
      ReceivedEntry(13, "Memo0001.txt", 1), ReceivedEntry(14, "Sketch.bmp", 2),
      MakeEntry({.id = 15, .title = "Phone list.txt", .action = 2})};
  QVERIFY(harness.StartWith(entries));
  QVERIFY(QTest::qWaitForWindowExposed(harness.Frame()));
  QImage shot = harness.Frame()->grab().toImage();
  QVERIFY(!shot.isNull());
  QString path = QStringLiteral(DESKTOP_TEST_OUTPUT_DIR "/vellamore_main_window.png");
  QVERIFY(shot.save(path));
  qInfo("screenshot: %s", qPrintable(path));
}

}  // namespace desktop::test
