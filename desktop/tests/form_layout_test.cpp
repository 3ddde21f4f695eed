// The main view's control placement for a few window sizes.
#include "form_layout.h"

#include <gtest/gtest.h>

namespace desktop {
namespace {

TEST(FormLayoutTest, DesignedFormSize) {
  FormLayout layout = ComputeFormLayout(kFormWidth, kFormHeight);  // half = 349
  EXPECT_EQ(layout.fileList, (ControlRect{10, 44, 328, 352}));
  EXPECT_EQ(layout.textPane, (ControlRect{360, 44, 328, 386}));
  EXPECT_EQ(layout.separator, (ControlRect{348, 10, 2, 420}));
  EXPECT_EQ(layout.addButton, (ControlRect{10, 406, 75, 24}));
  EXPECT_EQ(layout.deleteButton, (ControlRect{95, 406, 75, 24}));
  EXPECT_EQ(layout.detailsButton, (ControlRect{180, 406, 75, 24}));
  EXPECT_EQ(layout.userLabel, (ControlRect{10, 13, 28, 20}));
  EXPECT_EQ(layout.userFilter, (ControlRect{38, 10, 110, 80}));
  EXPECT_EQ(layout.categoryLabel, (ControlRect{158, 13, 48, 20}));
  EXPECT_EQ(layout.categoryFilter, (ControlRect{206, 10, 110, 80}));
  EXPECT_EQ(layout.paneTitle, (ControlRect{360, 13, 328, 20}));
}

TEST(FormLayoutTest, OddWidthRoundsHalfDown) {
  FormLayout layout = ComputeFormLayout(801, 600);  // half = 400
  EXPECT_EQ(layout.fileList, (ControlRect{10, 44, 379, 512}));
  EXPECT_EQ(layout.textPane, (ControlRect{411, 44, 379, 546}));
  EXPECT_EQ(layout.separator, (ControlRect{399, 10, 2, 580}));
  EXPECT_EQ(layout.paneTitle, (ControlRect{411, 13, 379, 20}));
}

TEST(FormLayoutTest, TinyWindowGivesSizesBelowZero) {
  FormLayout layout = ComputeFormLayout(30, 50);
  EXPECT_LT(layout.fileList.width, 0);
  EXPECT_LT(layout.fileList.height, 0);
  EXPECT_EQ(layout.addButton.y, 16);
}

}  // namespace
}  // namespace desktop
