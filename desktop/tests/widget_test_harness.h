// A running desktop program inside a test: the sandbox, scripted prompts,
// the application object with its frame and view, and ways to reach the
// controls and to answer the modal dialogs the program opens.
#pragma once

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <memory>

#include "content_edit.h"
#include "control_ids.h"
#include "desktop_test_support.h"
#include "main_frame.h"
#include "vellamore_app.h"

namespace desktop::test {

class Harness {
 public:
  Harness() = default;
  ~Harness() { m_app.reset(); }

  // Starts the program on the sandbox's data directory (unless told not to
  // point the settings there).
  bool Start(bool useDataDir = true) {
    if (useDataDir) sandbox.UseDataDir();
    m_app = std::make_unique<CVellamoreApp>(&prompts);
    ViewEnvironment environment{sandbox.ProgramDir(), InstallAidePath()};
    return m_app->InitInstance(environment);
  }

  // Writes the store of `entries` (under the default header, or `header`)
  // and starts the program on it.
  bool StartWith(const std::vector<store::FileListEntry>& entries,
                 const std::optional<store::FileListStore::Header>& header = std::nullopt) {
    WriteStore(sandbox.StorePath(), entries, header);
    return Start();
  }

  CVellamoreView* View() const { return m_app->View(); }
  CMainFrame* Frame() const { return m_app->MainFrame(); }
  CVellamoreApp* App() const { return m_app.get(); }
  QTreeWidget* List() const { return FindControl<QTreeWidget>(View(), kIdFileList); }
  QComboBox* UserFilter() const { return FindControl<QComboBox>(View(), kIdUserFilter); }
  QComboBox* CategoryFilter() const { return FindControl<QComboBox>(View(), kIdCategoryFilter); }

  // The Name column, top to bottom.
  QStringList Names() const {
    QStringList names;
    for (const ListedRow& row : View()->ListedRows()) names << QString::fromStdString(row.name);
    return names;
  }
  // The selected row's name; empty when none is selected.
  QString SelectedName() const {
    for (const ListedRow& row : View()->ListedRows()) {
      if (row.selected) return QString::fromStdString(row.name);
    }
    return {};
  }
  // What the content pane shows: its title, its text, and whether the
  // picture stands in the text's place.
  QString PaneTitle() const { return FindControl<QLabel>(View(), kIdPaneTitle)->text(); }
  QString PaneText() const { return FindControl<CContentEdit>(View(), kIdTextPane)->PaneText(); }
  bool IsPictureShown() const { return FindControl(View(), kIdPictureFrame)->isVisibleTo(View()); }
  void SelectRow(int row) const { List()->setCurrentItem(List()->topLevelItem(row)); }
  // The items of a drop-down list, top to bottom.
  static QStringList Items(const QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    return items;
  }
  // Chooses a filter item by its text, as the user would.
  static void Choose(QComboBox* combo, const QString& text) {
    combo->setCurrentIndex(combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
  }

  Sandbox sandbox;
  ScriptedPrompts prompts;

 private:
  std::unique_ptr<CVellamoreApp> m_app;
};

// Runs `action` on the first visible dialog of type `Dialog` once the
// program has opened it (from inside the dialog's own event loop). The
// dialog is closed with Cancel if `action` leaves it open.
template <typename Dialog>
void WhenShown(std::function<void(Dialog*)> action) {
  auto* timer = new QTimer;
  timer->setInterval(0);
  QObject::connect(timer, &QTimer::timeout, [timer, action] {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<Dialog*>(window);
      if (dialog != nullptr && dialog->isVisible()) {
        timer->stop();
        timer->deleteLater();
        action(dialog);
        // A failed check inside `action` returns early; never leave the
        // program waiting in the dialog.
        if (dialog->isVisible()) dialog->reject();
        return;
      }
    }
  });
  timer->start();
}

// Prints the selected entry through File > Print, as if the user had
// chosen in the print dialog what `choose` sets on its printer. The dialog
// closes with OK but without putting its own fields over those choices.
inline void PrintThroughDialog(const Harness& harness, std::function<void(QPrinter&)> choose) {
  WhenShown<QPrintDialog>([choose](QPrintDialog* dialog) {
    choose(*dialog->printer());
    dialog->done(QDialog::Accepted);
  });
  harness.View()->OnFilePrint();
}

}  // namespace desktop::test
