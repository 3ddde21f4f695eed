// CContentEdit: the text side of the main view's content pane. Besides the
// text it holds the pane mode: the editable text of a received text file
// (mode 0), or a description that the user may read, select and copy but
// not change (modes 1 and 2). In a description no key edits the text, and
// neither do cut, paste or undo.
#pragma once

#include <QPlainTextEdit>

namespace desktop {

class CContentEdit : public QPlainTextEdit {
  Q_OBJECT

 public:
  enum PaneMode : int {
    kModeReceivedText = 0,
    kModePcDescription = 1,
    kModeReceivedDescription = 2,
  };

  explicit CContentEdit(QWidget* parent = nullptr);

  int PaneMode() const { return m_paneMode; }
  void SetPaneMode(int mode);
  // True when the user has changed the text since it was put there.
  bool IsModified() const { return document()->isModified(); }

 private:
  int m_paneMode = kModePcDescription;
};

}  // namespace desktop
