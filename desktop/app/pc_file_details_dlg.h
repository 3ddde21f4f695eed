// CPcFileDetailsDlg: "PC File Details", the settings of one PC file on the
// send list: its HotSync user, handheld category, private flag, send action
// and format, with the file's name, place, size and dates for reading. It
// works on a copy of the entry and changes that copy only when OK is
// pressed; the caller stores it.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "file_list_store.h"
#include "user_prompts.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;

namespace desktop {

class CElidedLabel;

class CPcFileDetailsDlg : public QDialog {
  Q_OBJECT

 public:
  CPcFileDetailsDlg(UserPrompts& prompts, const store::FileListEntry& entry,
                    const store::FileListStore::Header& header,
                    std::vector<std::string> hotSyncUsers, QWidget* parent = nullptr);

  // The entry as OK left it (as given until then).
  const store::FileListEntry& Entry() const { return m_entry; }

  // OK: warns about a file too big for one record, checks the user name,
  // then writes the choices into the entry and closes.
  void accept() override;

 private:
  void CreateControls();
  // Top to bottom, with sunken lines between the user, send, file and date
  // blocks and the buttons.
  void LayOutControls();
  void OnInitDialog();

  UserPrompts& m_prompts;
  store::FileListEntry m_entry;
  store::FileListStore::Header m_header;
  std::vector<std::string> m_hotSyncUsers;

  QComboBox* m_user = nullptr;
  QComboBox* m_category = nullptr;
  QCheckBox* m_private = nullptr;
  QComboBox* m_action = nullptr;
  QRadioButton* m_palmFormat = nullptr;
  QRadioButton* m_pcFormat = nullptr;
  QLabel* m_file = nullptr;
  CElidedLabel* m_location = nullptr;
  QLabel* m_size = nullptr;
  QLabel* m_created = nullptr;
  QLabel* m_modified = nullptr;
  QLabel* m_lastSent = nullptr;
};

}  // namespace desktop
