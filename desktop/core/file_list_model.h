// FileListModel: the main view's file list without any window. It owns the
// store image for the program's life and keeps the rows the list shows: the
// entries that pass the User and Category filters, newest first (each row
// goes in at the top), or in the order of the column last sorted by. A row
// carries its entry's ID and column texts; every look-up from a row to its
// entry goes through the ID. The view puts the rows on screen and turns the
// user's commands into calls here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "list_change.h"
#include "store_image.h"
#include "view_formats.h"

namespace desktop {

class FileListModel {
 public:
  struct Row {
    uint16_t id = 0;
    ListRowTexts texts;
  };
  struct Column {
    const char* header;
    int width;  // pixels
  };
  static constexpr Column kColumns[] = {
      {"Source", 60}, {"Name", 100}, {"Action", 100}, {"Format", 60}};
  static constexpr int kColumnCount = static_cast<int>(std::size(kColumns));

  explicit FileListModel(std::string dataDirectory = {}) : m_image(std::move(dataDirectory)) {}

  // The store image.
  const std::string& DataDirectory() const { return m_image.DataDirectory(); }
  void SetDataDirectory(std::string directory) { m_image.SetDataDirectory(std::move(directory)); }
  std::string StorePath() const { return m_image.StorePath(); }
  const store::FileListStore::Header& Header() const { return m_image.Header(); }
  size_t Count() const { return m_image.Count(); }
  std::vector<uint8_t> Bytes() const { return m_image.Bytes(); }
  // The first entry with the ID, in store order; nullptr when none has it.
  const store::FileListEntry* FindById(uint16_t id) const { return m_image.FindById(id); }
  // A random ID (0 to 32,767) that no entry has.
  uint16_t NewEntryId() const { return m_image.NewEntryId(); }

  // Reads the store file again and applies the user's changes not yet
  // written to it; returns those whose entry the file no longer holds. The
  // rows stay as they are until the next Fill.
  std::vector<ListChange> Reload() { return m_image.Load(); }
  // Writes the store file whole; 0, or the errno of the failed step.
  int Save() { return m_image.Save(); }
  // Applies a change of the user's to the store image; the rows stay.
  // False when the entry it names is not in the store.
  bool Apply(ListChange change) { return m_image.Apply(std::move(change)); }

  // Rebuilds the rows from the store image under the two filter texts.
  void Fill(std::string_view userText, std::string_view categoryText);
  // The ID of the row that would head the list under the two filter texts.
  std::optional<uint16_t> TopIdUnder(std::string_view userText,
                                     std::string_view categoryText) const;
  // Sorts the rows ascending by the texts of `column`, compared as the list
  // compares them; rows of equal texts keep their order. Returns, for each
  // row now, the row it was before.
  std::vector<int> SortByColumn(int column);
  // Adds the entry to the store and its row at the top; returns that row.
  int Add(const store::FileListEntry& entry);
  // Deletes the entry of `id` from the store and takes its row out; the
  // index the row had, or -1 when no row showed it.
  int Remove(uint16_t id);

  const std::vector<Row>& Rows() const { return m_rows; }
  int RowCount() const { return static_cast<int>(m_rows.size()); }
  uint16_t IdAt(int row) const { return m_rows.at(static_cast<size_t>(row)).id; }
  // The first row showing the entry of `id`; -1 when none does.
  int RowOfId(uint16_t id) const;

  // The items of the User filter for these HotSync users, and of the
  // Category filter for the store's labels, in the filters' order.
  static std::vector<std::string> UserItems(const std::vector<std::string>& hotSyncUsers);
  std::vector<std::string> CategoryItems() const;

 private:
  StoreImage m_image;
  std::vector<Row> m_rows;
};

}  // namespace desktop
