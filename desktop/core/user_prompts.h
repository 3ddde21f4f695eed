// UserPrompts: the one door through which the desktop program asks the user
// something outside its own windows: message boxes and the standard file
// dialogs. The program passes an implementation to its view and dialogs; the
// Qt one shows real dialogs, and tests answer the questions themselves.
//
// Button and result codes keep the values of the PC's message boxes so that
// code reads the same as the system's (MB_YESNO, IDYES and so on).
#pragma once

#include <optional>
#include <string>

namespace desktop {

// Buttons and icon of a message box; combine one button set with one icon.
enum MessageStyle : unsigned {
  kMbOk = 0x00,
  kMbYesNoCancel = 0x03,
  kMbYesNo = 0x04,
  kMbIconExclamation = 0x30,
  kMbIconInformation = 0x40,
};

// The button the user pressed.
enum MessageResult : int {
  kIdOk = 1,
  kIdCancel = 2,
  kIdYes = 6,
  kIdNo = 7,
};

class UserPrompts {
 public:
  virtual ~UserPrompts() = default;

  // Shows `text` with `caption` and the buttons of `style`; returns the
  // button pressed (kIdOk for a box with only OK).
  virtual int MessageBox(const std::string& text, const std::string& caption, unsigned style) = 0;

  // The standard open-file dialog with the filter "Description|pattern";
  // the chosen path, or nothing when the user cancelled.
  virtual std::optional<std::string> ChooseOpenFile(const std::string& filter) = 0;

  // The standard save-file dialog, asking before it overwrites a file. It
  // opens on `proposed` (a path, or empty for no name).
  virtual std::optional<std::string> ChooseSaveFile(const std::string& filter,
                                                    const std::string& proposed) = 0;
};

}  // namespace desktop
