// CHandheldFileDetailsDlg: "Handheld File Details", what is known of a file
// received from the handheld: its name, where the PC keeps it, its size and
// dates, and the HotSync user, category and private flag it came with.
// Every value is a read-only label; the dialog changes nothing.
#pragma once

#include <QDialog>

#include "file_list_store.h"

namespace desktop {

class CHandheldFileDetailsDlg : public QDialog {
  Q_OBJECT

 public:
  CHandheldFileDetailsDlg(const store::FileListEntry& entry,
                          const store::FileListStore::Header& header, QWidget* parent = nullptr);
};

}  // namespace desktop
