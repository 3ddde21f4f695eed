// The main view's rows: filling them from the store image, sorting them and
// keeping them in step with the user's adds and deletes.
#include "file_list_model.h"

#include <algorithm>

#include "file_list_filter.h"

namespace desktop {
namespace {

FileListModel::Row RowOf(const store::FileListEntry& entry) {
  return {entry.id, RowTextsOf(entry)};
}

const std::string& ColumnText(const FileListModel::Row& row, int column) {
  switch (column) {
    case 0:
      return row.texts.source;
    case 1:
      return row.texts.name;
    case 2:
      return row.texts.action;
    default:
      return row.texts.format;
  }
}

}  // namespace

void FileListModel::Fill(std::string_view userText, std::string_view categoryText) {
  m_rows.clear();
  const auto& entries = m_image.Entries();
  // Each row goes in at the top: the list shows the newest entry first.
  for (size_t index : SelectEntries(entries, m_image.Header(), userText, categoryText)) {
    m_rows.insert(m_rows.begin(), RowOf(entries[index]));
  }
}

std::optional<uint16_t> FileListModel::TopIdUnder(std::string_view userText,
                                                  std::string_view categoryText) const {
  const auto& entries = m_image.Entries();
  std::vector<size_t> taken = SelectEntries(entries, m_image.Header(), userText, categoryText);
  if (taken.empty()) return std::nullopt;
  return entries[taken.back()].id;
}

std::vector<int> FileListModel::SortByColumn(int column) {
  std::vector<int> order(m_rows.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(), [this, column](int a, int b) {
    return CompareListTexts(ColumnText(m_rows[static_cast<size_t>(a)], column),
                            ColumnText(m_rows[static_cast<size_t>(b)], column)) < 0;
  });
  std::vector<Row> sorted;
  sorted.reserve(m_rows.size());
  for (int old : order) sorted.push_back(std::move(m_rows[static_cast<size_t>(old)]));
  m_rows = std::move(sorted);
  return order;
}

int FileListModel::Add(const store::FileListEntry& entry) {
  m_image.Apply(ListChange::Add(entry));
  m_rows.insert(m_rows.begin(), RowOf(entry));
  return 0;
}

int FileListModel::Remove(uint16_t id) {
  m_image.Apply(ListChange::Delete(id));
  int row = RowOfId(id);
  if (row >= 0) m_rows.erase(m_rows.begin() + row);
  return row;
}

int FileListModel::RowOfId(uint16_t id) const {
  auto found =
      std::find_if(m_rows.begin(), m_rows.end(), [id](const Row& row) { return row.id == id; });
  return found == m_rows.end() ? -1 : static_cast<int>(found - m_rows.begin());
}

std::vector<std::string> FileListModel::UserItems(const std::vector<std::string>& hotSyncUsers) {
  return SortedAsListBox(UserFilterItems(hotSyncUsers));
}

std::vector<std::string> FileListModel::CategoryItems() const {
  return SortedAsListBox(CategoryFilterItems(CategoryLabelsOf(m_image.Header())));
}

}  // namespace desktop
