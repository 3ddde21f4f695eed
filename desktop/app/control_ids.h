// Numbers of the program's controls and commands. Each control carries its
// number in the property "controlId" and each command action in
// "commandId", so that the program's parts, and tests, find them by the
// numbers the forms are drawn with.
#pragma once

#include <QAction>
#include <QWidget>

namespace desktop {

enum ControlId : int {
  kIdOkButton = 1,
  kIdCancelButton = 2,
  kIdFileList = 1000,
  kIdTextPane = 1001,
  kIdAddButton = 1002,
  kIdDeleteButton = 1003,
  kIdUserFilter = 1004,
  kIdCategoryFilter = 1005,
  kIdUserLabel = 1006,
  kIdCategoryLabel = 1007,
  kIdDetailsButton = 1008,
  kIdDetailsUser = 1009,
  kIdDetailsCategory = 1010,
  kIdDetailsPrivate = 1011,
  kIdDetailsFile = 1015,
  kIdDetailsLocation = 1016,
  kIdDetailsSize = 1017,
  kIdDetailsCreated = 1018,
  kIdDetailsModified = 1019,
  kIdDetailsLastSent = 1020,
  kIdDetailsAction = 1022,
  kIdDetailsPalmFormat = 1023,
  kIdDetailsPcFormat = 1024,
  kIdPictureFrame = 1025,
  kIdSeparator = 1026,
  kIdPaneTitle = 1027,
  // Handheld File Details: value labels that share the numbers of the form.
  kIdHandheldUser = 1006,
  kIdHandheldCategory = 1007,
  kIdHandheldPrivate = 1023,
};

enum CommandId : int {
  kIdAddFileCommand = 32771,
  kIdDeleteFileCommand = 32772,
  kIdSaveAsCommand = 32774,
  kIdHelpCommand = 32775,
};

inline constexpr char kControlIdProperty[] = "controlId";
inline constexpr char kCommandIdProperty[] = "commandId";

inline void SetControlId(QWidget* control, int id) {
  control->setProperty(kControlIdProperty, id);
}

// The first descendant of `parent` with the control number; nullptr if none.
template <typename T = QWidget>
T* FindControl(const QWidget* parent, int id) {
  for (T* child : parent->findChildren<T*>()) {
    if (child->property(kControlIdProperty).toInt() == id) return child;
  }
  return nullptr;
}

}  // namespace desktop
