// Small pieces that the program's dialogs share.
#pragma once

#include <QFrame>

namespace desktop {

// The sunken horizontal line that separates the blocks of a dialog.
inline QFrame* SunkenLine(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

}  // namespace desktop
