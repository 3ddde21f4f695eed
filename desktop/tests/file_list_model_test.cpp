// The main view's list model on real store files: the rows under the
// filters, sorting, finding a row by ID, and adds and deletes kept in step
// with the store.
#include "file_list_model.h"

#include <gtest/gtest.h>

#include "desktop_test_support.h"

namespace desktop {
namespace {

using test::MakeEntry;

class FileListModelTest : public testing::Test {
 protected:
  // A model loaded from a store of `entries`.
  FileListModel Loaded(const std::vector<store::FileListEntry>& entries) const {
    test::WriteStore(m_sandbox.StorePath(), entries);
    FileListModel model(m_sandbox.DataDir());
    model.Reload();
    return model;
  }
  static std::vector<std::string> Names(const FileListModel& model) {
    std::vector<std::string> names;
    for (const FileListModel::Row& row : model.Rows()) names.push_back(row.texts.name);
    return names;
  }

  test::Sandbox m_sandbox;
};

TEST_F(FileListModelTest, RowsAreNewestFirstUnderTheFiltersAndFoundByTheirFirstId) {
  FileListModel model = Loaded({MakeEntry({.id = 1, .title = "a", .user = "Anne", .category = 1}),
                                MakeEntry({.id = 2, .title = "b", .user = "Bob", .category = 1}),
                                MakeEntry({.id = 1, .title = "c", .user = "Anne", .category = 0}),
                                MakeEntry({.id = 4, .title = "d", .user = "Anne", .category = 1})});
  struct Case {
    const char *user, *category;
    std::vector<std::string> names;
  };
  const Case cases[] = {{"All", "All", {"d", "c", "b", "a"}},
                        {"Anne", "All", {"d", "c", "a"}},
                        {"Anne", "Personal", {"d", "a"}},
                        {"anne", "All", {}},
                        {"All", "Nowhere", {}}};
  for (const Case& c : cases) {
    model.Fill(c.user, c.category);
    EXPECT_EQ(Names(model), c.names) << c.user << " / " << c.category;
    std::optional<uint16_t> top = model.TopIdUnder(c.user, c.category);
    EXPECT_EQ(top.has_value(), !c.names.empty());
    if (top) {
      EXPECT_EQ(*top, model.IdAt(0));
    }
  }
  model.Fill("All", "All");
  EXPECT_EQ(model.RowOfId(1), 1);  // "c": the first row of the two with ID 1
  EXPECT_EQ(model.RowOfId(3), -1);
  EXPECT_EQ(model.FindById(1)->title, "a");  // the first entry in store order
}

TEST_F(FileListModelTest, SortIsAscendingWithoutCaseAndKeepsTheOrderOfEqualTexts) {
  FileListModel model =
      Loaded({MakeEntry({.id = 1, .title = "delta"}), MakeEntry({.id = 2, .title = "Alpha"}),
              MakeEntry({.id = 3, .title = "alpha"}), MakeEntry({.id = 4, .title = "_under"}),
              MakeEntry({.id = 5, .title = "BRAVO"})});
  model.Fill("All", "All");
  // "_" (0x5F) sorts after the upper-case letters.
  EXPECT_EQ(model.SortByColumn(1), (std::vector<int>{2, 3, 0, 4, 1}));
  EXPECT_EQ(Names(model), (std::vector<std::string>{"alpha", "Alpha", "BRAVO", "delta", "_under"}));
  // Every Source text is "PC": the rows stay where they are.
  EXPECT_EQ(model.SortByColumn(0), (std::vector<int>{0, 1, 2, 3, 4}));
  model.Fill("All", "All");
  EXPECT_EQ(Names(model), (std::vector<std::string>{"BRAVO", "_under", "alpha", "Alpha", "delta"}));
}

TEST_F(FileListModelTest, AddsAndDeletesKeepTheRowsAndTheStoreInStep) {
  FileListModel model = Loaded(
      {MakeEntry({.id = 1, .title = "one", .user = "Anne"}), MakeEntry({.id = 2, .title = "two"})});
  model.Fill("Anne", "All");
  EXPECT_EQ(model.Add(MakeEntry({.id = 3, .title = "three"})), 0);
  EXPECT_EQ(Names(model), (std::vector<std::string>{"three", "one"}));
  EXPECT_EQ(model.Count(), 3u);
  // An entry the filters hide leaves the store, and no row goes.
  EXPECT_EQ(model.Remove(2), -1);
  EXPECT_EQ(model.Remove(1), 1);
  EXPECT_EQ(Names(model), (std::vector<std::string>{"three"}));
  EXPECT_EQ(model.FindById(2), nullptr);
  ASSERT_EQ(model.Save(), 0);

  // A reload reads the file again; the rows change at the next fill only.
  test::WriteStore(m_sandbox.StorePath(), {MakeEntry({.id = 7, .title = "seven"})});
  EXPECT_TRUE(model.Reload().empty());
  EXPECT_EQ(Names(model), (std::vector<std::string>{"three"}));
  model.Fill("All", "All");
  EXPECT_EQ(Names(model), (std::vector<std::string>{"seven"}));
}

}  // namespace
}  // namespace desktop
