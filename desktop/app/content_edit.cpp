// The content pane's text control, its modes and colours.
#include "content_edit.h"

#include <QKeyEvent>
#include <QTextDocument>

namespace desktop {

CContentEdit::CContentEdit(QWidget* parent) : QPlainTextEdit(parent) {
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  SetPaneMode(kModePcDescription);
}

QColor CContentEdit::BackgroundOf(int mode) {
  switch (mode) {
    case kModePcDescription:
      return QColor(150, 200, 200);
    case kModeReceivedDescription:
      return QColor(80, 255, 80);
    default:
      return Qt::white;
  }
}

void CContentEdit::SetPaneMode(int mode) {
  bool changed = mode != m_paneMode;
  m_paneMode = mode;
  bool editable = mode == kModeReceivedText;
  setReadOnly(!editable);
  // A description stays selectable with the mouse and the keyboard, so that
  // it can be copied.
  setTextInteractionFlags(editable ? Qt::TextEditorInteraction
                                   : Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  QPalette colours = palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    colours.setColor(group, QPalette::Base, BackgroundOf(mode));
    colours.setColor(group, QPalette::Text, Qt::black);
  }
  setPalette(colours);
  if (changed) emit paneModeChanged(mode);
}

QString CContentEdit::PaneText() const {
  // toPlainText() would turn no-break spaces into plain ones.
  QString text = document()->toRawText();
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  text.replace(QChar::LineSeparator, QLatin1Char('\n'));
  return text;
}

void CContentEdit::keyPressEvent(QKeyEvent* event) {
  bool typesText = !event->text().isEmpty() || event->key() == Qt::Key_Backspace ||
                   event->key() == Qt::Key_Delete;
  bool copies = event->matches(QKeySequence::Copy) || event->matches(QKeySequence::SelectAll);
  if (m_paneMode != kModeReceivedText && typesText && !copies) {
    event->accept();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

}  // namespace desktop
