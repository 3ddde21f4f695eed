// The reload notification on a real window station in a private folder.
#include "notify.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "testing/scoped_env.h"
#include "winsta/window_station.h"

namespace store {
namespace {

namespace winsta = platform::winsta;

// Points the window station at a folder of this test's own, so that windows
// of programs running beside the test play no part.
struct PrivateStation {
  vlmtest::TempFolderEnv runtime{"XDG_RUNTIME_DIR"};
};

TEST(IsReloadTarget, MatchesTheFirstNineCharactersWithoutRegardToCase) {
  struct Case {
    const char* title;
    bool match;
  } cases[] = {
      {"Vellamore File View", true}, {"vellamore file view", true},
      {"VELLAMORE", true},           {"Vellamore", true},
      {"Vellamor", false},           {"", false},
      {" Vellamore", false},         {"Other", false},
      {"VellamoreX", true},
  };
  for (const Case& c : cases) EXPECT_EQ(IsReloadTarget(c.title), c.match) << c.title;
}

TEST(NotifyReload, PostsRToTheFirstWindowTitledVellamore) {
  PrivateStation station;
  auto other = winsta::Window::Register("Other", "Other");
  auto view = winsta::Window::Register("Afx:400000", "vellamore File View");
  auto later = winsta::Window::Register("Afx:400000", "Vellamore second");
  ASSERT_TRUE(other && view && later);

  EXPECT_TRUE(NotifyReload());

  std::optional<winsta::Message> received = view->Receive();
  ASSERT_TRUE(received.has_value());
  EXPECT_EQ(received->message, winsta::kWmChar);
  EXPECT_EQ(received->wParam, 82u);
  EXPECT_EQ(received->lParam, 0);
  EXPECT_FALSE(view->Receive().has_value());  // posted once
  EXPECT_FALSE(other->Receive().has_value());
  EXPECT_FALSE(later->Receive().has_value());
}

TEST(NotifyReload, ReportsWhenNoWindowIsTitledVellamore) {
  PrivateStation station;
  auto other = winsta::Window::Register("Other", "Other");
  ASSERT_TRUE(other);
  EXPECT_FALSE(NotifyReload());
  EXPECT_FALSE(other->Receive().has_value());
}

}  // namespace
}  // namespace store
