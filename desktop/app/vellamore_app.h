// CVellamoreApp: the program's start-up. It names the settings' company and
// program, makes the empty document, the view (which finds the data
// directory) and the main frame, gives the view its first update, titles
// and shows the window and registers it for the reload notification.
#pragma once

#include <QObject>
#include <memory>

#include "vellamore_view.h"

namespace desktop {

class CMainFrame;
class CVellamoreDoc;
class QtUserPrompts;

class CVellamoreApp : public QObject {
  Q_OBJECT

 public:
  // `prompts` answers the program's questions; nullptr shows Qt's dialogs.
  explicit CVellamoreApp(UserPrompts* prompts = nullptr);
  ~CVellamoreApp() override;

  // Builds and shows the main window. False when the program must end.
  bool InitInstance(const ViewEnvironment& environment);

  // The About box.
  void OnAppAbout();

  CMainFrame* MainFrame() const { return m_frame.get(); }
  CVellamoreView* View() const { return m_view; }
  CVellamoreDoc* Document() const { return m_document.get(); }

 private:
  std::unique_ptr<QtUserPrompts> m_qtPrompts;
  UserPrompts* m_prompts;
  std::unique_ptr<CVellamoreDoc> m_document;
  std::unique_ptr<CMainFrame> m_frame;
  CVellamoreView* m_view = nullptr;  // owned by the frame
};

}  // namespace desktop
