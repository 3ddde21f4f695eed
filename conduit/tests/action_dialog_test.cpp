// The terminal action dialog: what it shows and how it reads its answers.
#include "action_dialog.h"

#include <gtest/gtest.h>

#include <sstream>

namespace conduit {
namespace {

TEST(ActionDialog, ShowsNameChoicesCheckBoxAndCurrentChoice) {
  CHotSyncActionDlg dialog;
  dialog.m_conduitName = "Vellamore";
  dialog.m_actionIndex = 2;
  std::istringstream input("c\n");
  std::ostringstream output;
  EXPECT_EQ(dialog.RunOn(input, output), CHotSyncActionDlg::kCancel);
  const std::string shown = output.str();
  EXPECT_NE(shown.find("Vellamore"), std::string::npos);
  for (int index = 0; index < CHotSyncActionDlg::kChoiceCount; ++index) {
    EXPECT_NE(shown.find(CHotSyncActionDlg::ChoiceText(index)), std::string::npos) << index;
  }
  EXPECT_NE(shown.find("(*) 3  Handheld overwrites Desktop"), std::string::npos);
  EXPECT_NE(shown.find("[ ] Set as default"), std::string::npos);
}

TEST(ActionDialog, ToggleIsRedrawnAndAnswersIgnoreCaseAndSpaces) {
  CHotSyncActionDlg dialog;
  dialog.m_conduitName = "Vellamore";
  std::istringstream input("  D \n 4\n  OK \n");
  std::ostringstream output;
  EXPECT_EQ(dialog.RunOn(input, output), CHotSyncActionDlg::kOk);
  EXPECT_TRUE(dialog.m_setAsDefault);
  EXPECT_EQ(dialog.m_actionIndex, 3);
  EXPECT_NE(output.str().find("[x] Set as default"), std::string::npos);
}

TEST(ActionDialog, OutOfRangeIndexOpensOnAValidChoice) {
  CHotSyncActionDlg dialog;
  dialog.m_actionIndex = 42;
  std::istringstream input("\n");
  std::ostringstream output;
  EXPECT_EQ(dialog.RunOn(input, output), CHotSyncActionDlg::kOk);
  EXPECT_EQ(dialog.m_actionIndex, 3);
}

TEST(ActionDialog, ChoiceTextOutsideTheChoicesIsEmpty) {
  EXPECT_STREQ(CHotSyncActionDlg::ChoiceText(-1), "");
  EXPECT_STREQ(CHotSyncActionDlg::ChoiceText(4), "");
  EXPECT_STREQ(CHotSyncActionDlg::ChoiceText(3), "Do nothing");
}

}  // namespace
}  // namespace conduit
