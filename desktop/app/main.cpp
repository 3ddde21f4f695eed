// Vellamore: the desktop program that keeps the list of PC files to send to
// the handheld and shows the files that came back from it.
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QSocketNotifier>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "hotsync_users.h"
#include "main_frame.h"
#include "messages.h"
#include "program_names.h"  // store/
#include "vellamore_app.h"

namespace {

constexpr char kUsage[] =
    "Usage: Vellamore [options]\n"
    "\n"
    "Keeps the list of PC files that the Vellamore conduit sends to the handheld\n"
    "at each HotSync, per HotSync user and category, and shows the files received\n"
    "from the handheld. The list is the file Vellamore.dat in the data folder,\n"
    "normally ~/.local/share/Vellamore ($XDG_DATA_HOME/Vellamore when that is set),\n"
    "named by the setting DataDir in ~/.config/Olvenmark/Vellamore.conf. When the\n"
    "setting is missing, that folder is made and stored; only a program started\n"
    "from a folder it can write to (a build of its own) uses that folder.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "  --version      show the version and exit\n"
    "  --print-rows   print the rows of the file list to standard output after\n"
    "                 start-up, after every reload, and whenever a line \"rows\"\n"
    "                 arrives on standard input; quit when standard input ends\n"
    "                 (for tests and scripts)\n"
    "\n"
    "Qt's own options (such as -platform offscreen) are accepted as well.\n"
    "Exit status: 0 when the window was closed, 1 when start-up failed,\n"
    "2 for a bad command line.\n";

bool HasArgument(int argc, char** argv, const char* wanted) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], wanted) == 0) return true;
  }
  return false;
}

// One line per row, top to bottom: "row", '*' when selected else '-', the
// ID and the four column texts, separated by tabs; then "end".
void PrintRows(const desktop::CVellamoreView& view) {
  for (const desktop::ListedRow& row : view.ListedRows()) {
    std::printf("row\t%c\t%u\t%s\t%s\t%s\t%s\n", row.selected ? '*' : '-',
                static_cast<unsigned>(row.id), row.source.c_str(), row.name.c_str(),
                row.action.c_str(), row.format.c_str());
  }
  std::printf("end\n");
  std::fflush(stdout);
}

// Answers "rows" lines on standard input and quits when it ends.
void WatchStandardInput(desktop::CVellamoreView* view) {
  auto* notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, qApp);
  auto pending = std::make_shared<std::string>();
  QObject::connect(notifier, &QSocketNotifier::activated, qApp, [notifier, pending, view] {
    char buffer[256];
    ssize_t count = read(STDIN_FILENO, buffer, sizeof(buffer));
    if (count <= 0) {
      notifier->setEnabled(false);
      QApplication::quit();
      return;
    }
    pending->append(buffer, static_cast<size_t>(count));
    for (size_t end; (end = pending->find('\n')) != std::string::npos;) {
      if (pending->substr(0, end) == "rows") PrintRows(*view);
      pending->erase(0, end + 1);
    }
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (HasArgument(argc, argv, "--help") || HasArgument(argc, argv, "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (HasArgument(argc, argv, "--version")) {
    std::printf("%s\n", desktop::kAboutLine);
    return 0;
  }

  QApplication application(argc, argv);
  bool printRows = false;
  QStringList arguments = QApplication::arguments();
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == QStringLiteral("--print-rows")) {
      printRows = true;
    } else {
      std::fprintf(stderr, "Vellamore: unknown argument '%s'\nTry 'Vellamore --help'.\n",
                   arguments[i].toLocal8Bit().constData());
      return 2;
    }
  }

  desktop::ViewEnvironment environment;
  environment.programFolder = QFile::encodeName(QApplication::applicationDirPath()).toStdString();
  environment.installAidePath = environment.programFolder + "/" + store::kInstallAideFileName;

  desktop::CVellamoreApp app;
  if (!app.InitInstance(environment)) {
    std::fprintf(stderr, "Vellamore: the main window could not be created\n");
    return 1;
  }
  if (printRows) {
    QObject::connect(app.MainFrame(), &desktop::CMainFrame::reloaded,
                     [&app] { PrintRows(*app.View()); });
    WatchStandardInput(app.View());
    PrintRows(*app.View());
  }
  return application.exec();
}
