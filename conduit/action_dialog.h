// The HotSync action dialog, shown on the terminal: the conduit's name, the
// four actions for the next HotSync, the "Set as default" check box, OK and
// Cancel. The caller sets the name and the action index before showing it
// and reads the index and the check box after OK.
#pragma once

#include <iosfwd>
#include <string>

namespace conduit {

class CHotSyncActionDlg {
 public:
  enum Result { kOk = 1, kCancel = 2 };
  static constexpr int kChoiceCount = 4;

  // The text of action `index` (0 to 3); empty for any other index.
  static const char* ChoiceText(int index);

  // The dialog has no parent window: it takes the terminal.
  explicit CHotSyncActionDlg(void* parent = nullptr);

  // Shows the dialog on the controlling terminal (or standard input and
  // error when standard input is a terminal). Without a terminal it says so
  // on standard error and answers kCancel.
  int DoModal();

  // Runs the dialog on `input` and `output`. Each line is one answer: 1 to 4
  // choose an action, "d" turns "Set as default" on or off, an empty line or
  // "o" confirms (OK), "c" cancels. The end of the input cancels.
  int RunOn(std::istream& input, std::ostream& output);

  std::string m_conduitName;
  int m_actionIndex = 0;
  bool m_setAsDefault = false;

 private:
  void Show(std::ostream& output) const;
};

}  // namespace conduit
