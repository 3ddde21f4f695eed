// Filtering the store's entries by user and category, and the filter items.
#include "file_list_filter.h"

#include <algorithm>

#include "view_formats.h"

namespace desktop {

CategoryLabels CategoryLabelsOf(const store::FileListStore::Header& header) {
  store::FileListStore reader;
  reader.SetHeader(header);
  CategoryLabels labels;
  for (int i = 0; i < store::FileListStore::kCategoryCount; ++i) {
    labels[static_cast<size_t>(i)] = reader.CategoryLabel(i);
  }
  return labels;
}

int CategoryIndexOf(const CategoryLabels& labels, std::string_view text) {
  if (text.empty()) return kNoCategory;
  for (size_t i = 0; i < labels.size(); ++i) {
    if (labels[i] == text) return static_cast<int>(i);
  }
  return kNoCategory;
}

bool MatchesFilters(const store::FileListEntry& entry, const CategoryLabels& labels,
                    std::string_view userText, std::string_view categoryText) {
  bool userMatches = userText == kAllItem || entry.user == userText;
  bool categoryMatches =
      categoryText == kAllItem || entry.category == CategoryIndexOf(labels, categoryText);
  return userMatches && categoryMatches;
}

std::vector<size_t> SelectEntries(const std::vector<store::FileListEntry>& entries,
                                  const store::FileListStore::Header& header,
                                  std::string_view userText, std::string_view categoryText) {
  CategoryLabels labels = CategoryLabelsOf(header);
  std::vector<size_t> taken;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (MatchesFilters(entries[i], labels, userText, categoryText)) taken.push_back(i);
  }
  return taken;
}

std::vector<std::string> UserFilterItems(const std::vector<std::string>& hotSyncUsers) {
  std::vector<std::string> items{kAllItem};
  items.insert(items.end(), hotSyncUsers.begin(), hotSyncUsers.end());
  return items;
}

std::vector<std::string> NonEmptyLabels(const CategoryLabels& labels) {
  std::vector<std::string> items;
  for (const std::string& label : labels) {
    if (!label.empty()) items.push_back(label);
  }
  return items;
}

std::vector<std::string> CategoryFilterItems(const CategoryLabels& labels) {
  std::vector<std::string> items = NonEmptyLabels(labels);
  items.insert(items.begin(), kAllItem);
  return items;
}

std::vector<std::string> SortedAsListBox(std::vector<std::string> items) {
  std::stable_sort(items.begin(), items.end(), [](const std::string& a, const std::string& b) {
    return CompareListTexts(a, b) < 0;
  });
  return items;
}

}  // namespace desktop
