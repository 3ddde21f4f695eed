// Start-up of the program and the About command.
#include "vellamore_app.h"

#include <QApplication>
#include <QIcon>

#include "about_dlg.h"
#include "main_frame.h"
#include "messages.h"
#include "qt_user_prompts.h"
#include "vellamore_doc.h"

namespace desktop {

CVellamoreApp::CVellamoreApp(UserPrompts* prompts) {
  if (prompts == nullptr) {
    m_qtPrompts = std::make_unique<QtUserPrompts>();
    prompts = m_qtPrompts.get();
  }
  m_prompts = prompts;
}

CVellamoreApp::~CVellamoreApp() = default;

bool CVellamoreApp::InitInstance(const ViewEnvironment& environment) {
  // The settings key "Software\Olvenmark\Vellamore".
  QCoreApplication::setOrganizationName(QStringLiteral("Olvenmark"));
  QCoreApplication::setApplicationName(QStringLiteral("Vellamore"));
  QIcon programIcon;
  programIcon.addFile(QStringLiteral(":/icons/vellamore_16.png"), QSize(16, 16));
  programIcon.addFile(QStringLiteral(":/icons/vellamore_32.png"), QSize(32, 32));
  QApplication::setWindowIcon(programIcon);

  m_document = std::make_unique<CVellamoreDoc>();
  if (!m_document->OnNewDocument()) return false;

  // The view comes first: constructing it finds the data directory.
  auto view = std::make_unique<CVellamoreView>(*m_prompts, environment);
  m_frame = std::make_unique<CMainFrame>();
  if (!m_frame->OnCreate(view.get())) return false;
  m_view = view.release();
  m_frame->setCentralWidget(m_view);
  // The frame fits the form, as large as the screen allows.
  m_frame->resize(m_frame->sizeHint());
  if (m_qtPrompts) m_qtPrompts->SetParent(m_frame.get());
  connect(m_frame.get(), &CMainFrame::aboutRequested, this, &CVellamoreApp::OnAppAbout);

  m_view->OnInitialUpdate();
  m_frame->setWindowTitle(QString::fromLatin1(kMainWindowTitle));
  m_frame->show();
  m_frame->RegisterWindow();
  return true;
}

void CVellamoreApp::OnAppAbout() {
  CAboutDlg about(m_frame.get());
  about.exec();
}

}  // namespace desktop
