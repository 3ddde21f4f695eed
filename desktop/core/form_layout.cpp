// The main view's control placement.
#include "form_layout.h"

#include <algorithm>

namespace desktop {
namespace {

constexpr int kMargin = 10;
constexpr int kFilterWidth = 110;
constexpr int kButtonGap = 10;
// Room between the separator and the controls on its left.
constexpr int kSeparatorGap = 8;
// The list shows its header and a few rows.
constexpr int kMinimumListHeight = 112;

}  // namespace

FormLayout ComputeFormLayout(int width, int height, const FormTextWidths& texts) {
  const int half = width / 2;
  FormLayout layout;
  layout.fileList = {kMargin, 44, half - 21, height - 88};
  layout.textPane = {half + 11, 44, half - 21, height - 54};
  layout.separator = {(width - 2) / 2, 10, 2, height - 20};
  const int buttonStep = texts.button + kButtonGap;
  layout.addButton = {kMargin, height - 34, texts.button, 24};
  layout.deleteButton = {kMargin + buttonStep, height - 34, texts.button, 24};
  layout.detailsButton = {kMargin + 2 * buttonStep, height - 34, texts.button, 24};
  layout.userLabel = {kMargin, 13, texts.userLabel, 20};
  layout.userFilter = {kMargin + texts.userLabel, 10, kFilterWidth, 80};
  int categoryX = layout.userFilter.x + kFilterWidth + kMargin;
  layout.categoryLabel = {categoryX, 13, texts.categoryLabel, 20};
  layout.categoryFilter = {categoryX + texts.categoryLabel, 10, kFilterWidth, 80};
  layout.paneTitle = {half + 11, 13, half - 21, 20};
  return layout;
}

FormSize MinimumFormSize(const FormTextWidths& texts) {
  FormLayout layout = ComputeFormLayout(0, 0, texts);
  int leftSide = std::max(layout.categoryFilter.x + layout.categoryFilter.width,
                          layout.detailsButton.x + layout.detailsButton.width);
  // The separator stands at (width - 2) / 2 and the pane title at
  // width / 2 + 11.
  int width = 2 * (leftSide + kSeparatorGap) + 2;
  int height = 88 + kMinimumListHeight;
  return {width, height};
}

}  // namespace desktop
