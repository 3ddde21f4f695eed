// Which entries the main view lists under its two filters, and the filters'
// items.
#include "file_list_filter.h"

#include <gtest/gtest.h>

#include "desktop_test_support.h"

namespace desktop {
namespace {

using test::EntrySpec;
using test::HeaderWithLabels;
using test::MakeEntry;

std::vector<uint16_t> ListedIds(const std::vector<store::FileListEntry>& entries,
                                const store::FileListStore::Header& header, const std::string& user,
                                const std::string& category) {
  std::vector<uint16_t> ids;
  for (size_t index : SelectEntries(entries, header, user, category)) {
    ids.push_back(entries[index].id);
  }
  return ids;
}

TEST(SelectEntriesTest, UserAndCategoryFilters) {
  auto header = HeaderWithLabels({"Unfiled", "Personal", "Business"});
  std::vector<store::FileListEntry> entries = {
      MakeEntry({.id = 1, .title = "a", .user = "All", .category = 0}),
      MakeEntry({.id = 2, .title = "b", .user = "Anne", .category = 1}),
      MakeEntry({.id = 3, .title = "c", .user = "all", .category = 2}),
      MakeEntry({.id = 4, .title = "d", .user = "Anne", .category = 0}),
      MakeEntry({.id = 5, .title = "e", .user = "Bob", .category = 9}),
  };
  struct Case {
    const char *user, *category;
    std::vector<uint16_t> ids;
  } cases[] = {
      {"All", "All", {1, 2, 3, 4, 5}},
      // An entry for "All" users is listed only while the filter is "All".
      {"Anne", "All", {2, 4}},
      // "all" in lower case is a user name like any other.
      {"all", "All", {3}},
      {"All", "Unfiled", {1, 4}},
      {"Anne", "Unfiled", {4}},
      {"All", "Business", {3}},
      // A label no category has lists nothing, not even category 16 or 9.
      {"All", "Garden", {}},
      {"Carol", "All", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ListedIds(entries, header, c.user, c.category), c.ids)
        << c.user << " / " << c.category;
  }
}

TEST(SelectEntriesTest, DuplicateLabelListsTheFirstCategoryOnly) {
  auto header = HeaderWithLabels({"Unfiled", "Work", "Home", "Work"});
  std::vector<store::FileListEntry> entries = {
      MakeEntry({.id = 10, .title = "first", .category = 1}),
      MakeEntry({.id = 11, .title = "second", .category = 3}),
  };
  EXPECT_EQ(ListedIds(entries, header, "All", "Work"), std::vector<uint16_t>{10});
  EXPECT_EQ(CategoryIndexOf(CategoryLabelsOf(header), "Work"), 1);
}

TEST(CategoryIndexTest, ExactMatchOrNone) {
  auto labels = CategoryLabelsOf(HeaderWithLabels({"Unfiled", "Personal"}));
  EXPECT_EQ(CategoryIndexOf(labels, "Personal"), 1);
  EXPECT_EQ(CategoryIndexOf(labels, "personal"), kNoCategory);
  EXPECT_EQ(CategoryIndexOf(labels, "Person"), kNoCategory);
  // An empty text does not name the empty labels 2 to 15.
  EXPECT_EQ(CategoryIndexOf(labels, ""), kNoCategory);
}

TEST(CategoryLabelsTest, SixteenByteLabelWithoutNulIsReadWhole) {
  auto header = store::FileListStore::DefaultHeader();
  std::fill_n(header.begin() + store::FileListStore::kCategoryLabelsOffset + 16 * 4, 16, 'Q');
  auto labels = CategoryLabelsOf(header);
  EXPECT_EQ(labels[4], std::string(16, 'Q'));
  EXPECT_EQ(labels[5], "");
}

TEST(FilterItemsTest, AllFirstThenUsersOrNonEmptyLabels) {
  EXPECT_EQ(UserFilterItems({}), std::vector<std::string>{"All"});
  EXPECT_EQ(UserFilterItems({"Zoe", "Anne"}), (std::vector<std::string>{"All", "Zoe", "Anne"}));
  auto labels = CategoryLabelsOf(HeaderWithLabels({"Unfiled", "", "Business", "Business"}));
  EXPECT_EQ(CategoryFilterItems(labels),
            (std::vector<std::string>{"All", "Unfiled", "Business", "Business"}));
}

TEST(FilterItemsTest, SortedLikeAListBoxWithoutRegardToCase) {
  EXPECT_EQ(SortedAsListBox({"bob", "All", "Anne", "alice", "Zed"}),
            (std::vector<std::string>{"alice", "All", "Anne", "bob", "Zed"}));
  // Equal items keep their order.
  EXPECT_EQ(SortedAsListBox({"x", "All", "ALL"}), (std::vector<std::string>{"All", "ALL", "x"}));
}

}  // namespace
}  // namespace desktop
