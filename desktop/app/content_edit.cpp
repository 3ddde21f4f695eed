// The content pane's text control and its modes.
#include "content_edit.h"

namespace desktop {

CContentEdit::CContentEdit(QWidget* parent) : QPlainTextEdit(parent) {
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  SetPaneMode(kModePcDescription);
}

void CContentEdit::SetPaneMode(int mode) {
  m_paneMode = mode;
  bool editable = mode == kModeReceivedText;
  setReadOnly(!editable);
  // A description stays selectable with the mouse and the keyboard, so that
  // it can be copied.
  setTextInteractionFlags(editable ? Qt::TextEditorInteraction
                                   : Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

}  // namespace desktop
