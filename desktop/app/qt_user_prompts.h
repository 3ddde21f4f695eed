// QtUserPrompts: the program's message boxes and file dialogs as Qt shows
// them, modal to the main window.
#pragma once

#include <QPointer>
#include <QWidget>

#include "user_prompts.h"

namespace desktop {

class QtUserPrompts : public UserPrompts {
 public:
  // The window the boxes are modal to; may change once the frame exists.
  void SetParent(QWidget* parent) { m_parent = parent; }

  int MessageBox(const std::string& text, const std::string& caption, unsigned style) override;
  std::optional<std::string> ChooseOpenFile(const std::string& filter) override;
  std::optional<std::string> ChooseSaveFile(const std::string& filter,
                                            const std::string& proposed) override;

 private:
  QPointer<QWidget> m_parent;
};

// A filter of the PC's form, "Description|pattern|...", in Qt's form. The
// pattern "*.*" matches every name, as on the PC.
QString QtFileFilter(const std::string& filter);

}  // namespace desktop
