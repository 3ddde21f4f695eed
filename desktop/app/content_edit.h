// CContentEdit: the text side of the main view's content pane. Besides the
// text it holds the pane mode: the editable text of a received text file
// (mode 0), or a description that the user may read, select and copy but
// not change (modes 1 and 2). In a description no key edits the text, and
// neither do cut, paste or undo. Each mode has its own background: white
// for a text, blue-green for a PC file, green for a received file.
#pragma once

#include <QColor>
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
  bool CanUndo() const { return document()->isUndoAvailable(); }
  // The whole text with plain "\n" line breaks, every character as typed
  // (a no-break space stays one).
  QString PaneText() const;

  // The background of a pane mode; the text is always black.
  static QColor BackgroundOf(int mode);

 signals:
  // The pane mode changed.
  void paneModeChanged(int mode);

 protected:
  // In a description every typed character, Backspace and Delete included,
  // is discarded; the keys that move and select still work.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  int m_paneMode = kModePcDescription;
};

}  // namespace desktop
