// The reload notification across processes: starts build/bin/Vellamore with
// --print-rows in a sandbox, rewrites its store as the conduit does after a
// HotSync, posts the reload character (WM_CHAR R) through the window station
// the way the conduit posts it, and reads the list the program then shows.
#include <QObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include "desktop_test_support.h"
#include "notify.h"
#include "winsta/window_station.h"

namespace desktop::test {

class ReloadTest : public QObject {
  Q_OBJECT

 private slots:
  void postedReloadShowsTheNewStoreAndKeepsTheSelection();
  void realHotSyncEndingReloadsTheList();
  void commandLine();
};

namespace {

constexpr int kWaitMs = 120000;  // a sanitizer build starts slowly

QString ProgramPath() {
  return QStringLiteral(VELLAMORE_BIN_DIR "/Vellamore");
}

// The test's environment, which names the sandbox's folders while it lives,
// on the offscreen platform.
QProcessEnvironment OffscreenEnvironment() {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  return environment;
}

// The rows of the next dump ("row" lines up to "end"), each as
// "<* or -> <id> <name>".
QStringList ReadRows(QProcess& program) {
  QStringList rows;
  for (;;) {
    while (!program.canReadLine()) {
      if (!program.waitForReadyRead(kWaitMs)) {
        qWarning("no rows; stderr: %s", program.readAllStandardError().constData());
        return {QStringLiteral("<no answer>")};
      }
    }
    QString line = QString::fromUtf8(program.readLine()).trimmed();
    if (line == QStringLiteral("end")) return rows;
    QStringList fields = line.split(QLatin1Char('\t'));
    if (fields.size() == 7 && fields[0] == QStringLiteral("row")) {
      rows << fields[1] + " " + fields[2] + " " + fields[4];
    }
  }
}

}  // namespace

void ReloadTest::postedReloadShowsTheNewStoreAndKeepsTheSelection() {
  Sandbox sandbox;
  sandbox.UseDataDir();
  std::vector<store::FileListEntry> entries = {MakeEntry({.id = 21, .title = "report.doc"}),
                                               MakeEntry({.id = 22, .title = "budget.xls"})};
  WriteStore(sandbox.StorePath(), entries);

  QProcess program;
  program.setProcessEnvironment(OffscreenEnvironment());
  program.start(ProgramPath(), {QStringLiteral("--print-rows")});
  QVERIFY2(program.waitForStarted(kWaitMs), qPrintable(program.errorString()));
  QCOMPARE(ReadRows(program), QStringList({"* 22 budget.xls", "- 21 report.doc"}));

  // The window is there under its title, as the conduit looks for it.
  bool found = false;
  for (const platform::winsta::WindowInfo& window : platform::winsta::EnumWindows()) {
    found |= window.title == "Vellamore File View" && window.pid == program.processId();
  }
  QVERIFY(found);

  // After a HotSync: a new stamp, a received file appended, the store
  // rewritten whole, and R posted.
  entries[1].lastSent.bytes = {20, 24, 6, 1, 8, 15, 0, 0};
  entries[1].title = "budget.xls (sent)";
  entries.push_back(ReceivedEntry(23, "Memo.txt", 1));
  WriteStore(sandbox.StorePath(), entries);
  QVERIFY(store::NotifyReload());
  QCOMPARE(ReadRows(program),
           QStringList({"- 23 Memo.txt", "* 22 budget.xls (sent)", "- 21 report.doc"}));

  // Asked again, the program shows the same list.
  program.write("rows\n");
  QCOMPARE(ReadRows(program),
           QStringList({"- 23 Memo.txt", "* 22 budget.xls (sent)", "- 21 report.doc"}));

  // The end of standard input ends the program, which leaves the station.
  program.closeWriteChannel();
  QVERIFY(program.waitForFinished(kWaitMs));
  QCOMPARE(program.exitStatus(), QProcess::NormalExit);
  QCOMPARE(program.exitCode(), 0);
  QVERIFY(!store::NotifyReload());
}

namespace {

// Runs one of the HotSync programs beside Vellamore in the sandbox; true
// when it exits 0.
bool RunHotSyncProgram(const QString& name, const QStringList& arguments) {
  QProcess tool;
  tool.setProcessEnvironment(OffscreenEnvironment());
  tool.start(QStringLiteral(VELLAMORE_BIN_DIR "/") + name, arguments);
  bool finished = tool.waitForFinished(kWaitMs);
  if (!finished || tool.exitCode() != 0) {
    qWarning("%s failed: %s%s", qPrintable(name), tool.readAllStandardOutput().constData(),
             tool.readAllStandardError().constData());
    return false;
  }
  return true;
}

}  // namespace

void ReloadTest::realHotSyncEndingReloadsTheList() {
  Sandbox sandbox;
  sandbox.UseDataDir();
  std::string document = sandbox.MakeFile("notes.txt", 120);
  store::FileListEntry entry =
      MakeEntry({.id = 31, .title = "notes.txt", .action = store::kActionAlways});
  entry.path = document;
  WriteStore(sandbox.StorePath(), {entry});

  QProcess program;
  program.setProcessEnvironment(OffscreenEnvironment());
  program.start(ProgramPath(), {QStringLiteral("--print-rows")});
  QVERIFY2(program.waitForStarted(kWaitMs), qPrintable(program.errorString()));
  QCOMPARE(ReadRows(program), QStringList({"* 31 notes.txt"}));

  // A HotSync of a new handheld: the conduit sends the listed file under a
  // new ID, saves the store and posts R to the running program.
  QString image = QString::fromStdString(sandbox.Root() + "/palm");
  QVERIFY(RunHotSyncProgram("condcfg",
                            {"add", "Vlmr", QStringLiteral(VELLAMORE_BIN_DIR "/VellamoreCnd.so")}));
  QVERIFY(RunHotSyncProgram("handheld", {"create", image, "--user", "Ada"}));
  QVERIFY(RunHotSyncProgram("hotsync", {"sync", image}));

  std::optional<store::FileListStore> saved = ReadStore(sandbox.StorePath());
  QVERIFY(saved.has_value());
  QCOMPARE(saved->Entries().size(), size_t{1});
  const store::FileListEntry& sent = saved->Entries()[0];
  QVERIFY(sent.lastSent.IsSet());
  QString expected = QStringLiteral("* %1 notes.txt").arg(sent.id);
  QCOMPARE(ReadRows(program), QStringList({expected}));

  program.closeWriteChannel();
  QVERIFY(program.waitForFinished(kWaitMs));
  QCOMPARE(program.exitCode(), 0);
}

void ReloadTest::commandLine() {
  Sandbox sandbox;
  QProcess program;
  program.setProcessEnvironment(OffscreenEnvironment());
  program.start(ProgramPath(), {QStringLiteral("--help")});
  QVERIFY(program.waitForFinished(kWaitMs));
  QCOMPARE(program.exitCode(), 0);
  QVERIFY(program.readAllStandardOutput().startsWith("Usage: Vellamore"));

  program.start(ProgramPath(), {QStringLiteral("--bogus")});
  QVERIFY(program.waitForFinished(kWaitMs));
  QCOMPARE(program.exitCode(), 2);
  QVERIFY(program.readAllStandardError().contains("--bogus"));

  // A posted WM_CLOSE closes the window and ends the program.
  program.start(ProgramPath(), {QStringLiteral("--print-rows")});
  QVERIFY(program.waitForStarted(kWaitMs));
  QCOMPARE(ReadRows(program), QStringList());
  std::optional<platform::winsta::WindowInfo> window;
  for (const auto& info : platform::winsta::EnumWindows()) {
    if (info.pid == program.processId()) window = info;
  }
  QVERIFY(window.has_value());
  QVERIFY(platform::winsta::PostMessage(*window, {platform::winsta::kWmClose, 0, 0}));
  QVERIFY(program.waitForFinished(kWaitMs));
  QCOMPARE(program.exitCode(), 0);
}

}  // namespace desktop::test

QTEST_GUILESS_MAIN(desktop::test::ReloadTest)
#include "reload_test.moc"
