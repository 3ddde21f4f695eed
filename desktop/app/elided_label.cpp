// A label that shortens its text in the middle.
#include "elided_label.h"

#include <QResizeEvent>

namespace desktop {

CElidedLabel::CElidedLabel(QWidget* parent) : QLabel(parent) {
  // As wide as the layout makes it, never wider because of the text.
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void CElidedLabel::SetFullText(const QString& text) {
  m_fullText = text;
  setToolTip(text);
  Elide();
}

QSize CElidedLabel::minimumSizeHint() const {
  return QSize(0, QLabel::minimumSizeHint().height());
}

void CElidedLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Elide();
}

void CElidedLabel::Elide() {
  setText(fontMetrics().elidedText(m_fullText, Qt::ElideMiddle, contentsRect().width()));
}

}  // namespace desktop
