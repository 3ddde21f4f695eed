// The main view's control placement.
#include "form_layout.h"

namespace desktop {

FormLayout ComputeFormLayout(int width, int height) {
  const int half = width / 2;
  FormLayout layout;
  layout.fileList = {10, 44, half - 21, height - 88};
  layout.textPane = {half + 11, 44, half - 21, height - 54};
  layout.separator = {(width - 2) / 2, 10, 2, height - 20};
  layout.addButton = {10, height - 34, 75, 24};
  layout.deleteButton = {95, height - 34, 75, 24};
  layout.detailsButton = {180, height - 34, 75, 24};
  layout.userLabel = {10, 13, 28, 20};
  layout.userFilter = {38, 10, 110, 80};
  layout.categoryLabel = {158, 13, 48, 20};
  layout.categoryFilter = {206, 10, 110, 80};
  layout.paneTitle = {half + 11, 13, half - 21, 20};
  return layout;
}

}  // namespace desktop
