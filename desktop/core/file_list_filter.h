// Which entries of the store the main view lists, and the items of its User
// and Category filters. The view reads the two filter texts, asks these
// functions which entries to show, and inserts a row for each.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "file_list_store.h"

namespace desktop {

// The filter item that stands for every user and every category.
inline constexpr char kAllItem[] = "All";
// The text of category 0 wherever a dialog names it.
inline constexpr char kUnfiledLabel[] = "Unfiled";
// The category index that matches no entry.
inline constexpr int kNoCategory = store::FileListStore::kCategoryCount;

using CategoryLabels = std::array<std::string, store::FileListStore::kCategoryCount>;

// The 16 category labels of a store header, index = category number.
CategoryLabels CategoryLabelsOf(const store::FileListStore::Header& header);

// The first category whose label equals `text` exactly; kNoCategory when
// none does. An empty text names no category, even where labels are empty.
int CategoryIndexOf(const CategoryLabels& labels, std::string_view text);

// True when the entry belongs in the list under the two filter texts: the
// user text is "All" or equals the entry's user exactly, and the category
// text is "All" or names the entry's category.
bool MatchesFilters(const store::FileListEntry& entry, const CategoryLabels& labels,
                    std::string_view userText, std::string_view categoryText);

// Indices into `entries` of the entries the list shows, in store order. The
// list inserts each row at the top, so it shows them newest first.
std::vector<size_t> SelectEntries(const std::vector<store::FileListEntry>& entries,
                                  const store::FileListStore::Header& header,
                                  std::string_view userText, std::string_view categoryText);

// Items of the User filter: "All", then each HotSync user.
std::vector<std::string> UserFilterItems(const std::vector<std::string>& hotSyncUsers);
// The non-empty labels, 0 to 15: the categories a list offers.
std::vector<std::string> NonEmptyLabels(const CategoryLabels& labels);
// Items of the Category filter: "All", then every non-empty label, 0 to 15.
std::vector<std::string> CategoryFilterItems(const CategoryLabels& labels);

// The items in the order a sorted list box or combo box shows them:
// compared without regard to case, equal items in the order given.
std::vector<std::string> SortedAsListBox(std::vector<std::string> items);

}  // namespace desktop
