// Where the main view places its controls for a given client size, in
// pixels. The list and the content pane share the width half and half; the
// buttons stand under the list and the filters above it.
#pragma once

namespace desktop {

struct ControlRect {
  int x = 0, y = 0, width = 0, height = 0;
  friend bool operator==(const ControlRect&, const ControlRect&) = default;
};

struct FormLayout {
  ControlRect fileList, textPane, separator;
  ControlRect addButton, deleteButton, detailsButton;
  ControlRect userLabel, userFilter, categoryLabel, categoryFilter;
  ControlRect paneTitle;
};

// The widths the filter labels and the buttons need for their texts in the
// view's font. The defaults are the form's own; a wider text moves the
// controls to its right along rather than run under them.
struct FormTextWidths {
  int userLabel = 28;
  int categoryLabel = 48;
  int button = 75;
};

// The controls' places for a client area of `width` by `height` pixels. The
// filters' height is that of the open drop-down list; a window below the
// minimum size gives sizes below zero, which the view shows as empty
// controls.
FormLayout ComputeFormLayout(int width, int height, const FormTextWidths& texts = {});

// The smallest client area at which no control covers another: the
// separator stays right of the filters and the buttons, and the list keeps
// room for a few rows.
struct FormSize {
  int width = 0, height = 0;
};
FormSize MinimumFormSize(const FormTextWidths& texts = {});

// The form's size as designed: 466 by 271 dialog units of an 8-point font.
inline constexpr int kFormWidth = 699;
inline constexpr int kFormHeight = 440;

}  // namespace desktop
