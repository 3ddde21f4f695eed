// Texts and codes of the PC File Details dialog.
#include "pc_file_details.h"

#include "file_list_filter.h"
#include "new_entry.h"
#include "view_formats.h"

namespace desktop {
namespace {

struct ActionName {
  const char* text;
  uint16_t action;
};

// In the order the dialog adds them to its (sorted) list.
constexpr ActionName kActionNames[] = {
    {"If Changed", store::kActionIfChanged},
    {"One Time", store::kActionOneTime},
    {"Always", store::kActionAlways},
    {"Don't Send", store::kActionDontSend},
};

}  // namespace

std::string ActionChoiceOf(uint16_t action) {
  for (const ActionName& name : kActionNames) {
    if (name.action == action) return name.text;
  }
  return "If Changed";
}

std::optional<uint16_t> ActionOfChoice(std::string_view text) {
  for (const ActionName& name : kActionNames) {
    if (text == name.text) return name.action;
  }
  return std::nullopt;
}

PcFileDetailsTexts DescribeForDetails(const store::FileListEntry& entry,
                                      const store::FileListStore::Header& header,
                                      const std::vector<std::string>& hotSyncUsers) {
  PcFileDetailsTexts texts;
  texts.file = entry.title;
  texts.location = entry.path;
  texts.size = FormatSize(entry.size);
  texts.created = FormatDateTime(entry.created);
  texts.modified = FormatDateTime(entry.modified);
  texts.lastDownloaded = FormatDateTime(entry.lastSent);

  texts.userItems = hotSyncUsers;
  texts.userItems.emplace_back(kAllItem);
  texts.userText = entry.user;

  CategoryLabels labels = CategoryLabelsOf(header);
  texts.categoryItems = NonEmptyLabels(labels);
  if (entry.category == 0) {
    texts.categoryText = kUnfiledLabel;
  } else if (entry.category < labels.size()) {
    texts.categoryText = labels[entry.category];
  }

  for (const ActionName& name : kActionNames) texts.actionItems.emplace_back(name.text);
  texts.actionText = ActionChoiceOf(entry.action);
  texts.isPrivate = entry.isPrivate != 0;
  texts.pcFormat = entry.format == store::kFormatPc;
  return texts;
}

bool NeedsSizeWarning(const store::FileListEntry& entry, bool pcFormat) {
  return pcFormat && entry.size > kMaxRecordBytes;
}

bool UserNameFits(std::string_view user) {
  return user.size() <= kMaxUserLength;
}

bool UserNameIsBlank(std::string_view user) {
  return user.find_first_not_of(" \t") == std::string_view::npos;
}

void ApplyDetailsChoice(const PcFileDetailsChoice& choice,
                        const store::FileListStore::Header& header, store::FileListEntry& entry) {
  entry.user = choice.user;
  if (choice.category == kUnfiledLabel) {
    entry.category = 0;
  } else {
    int index = CategoryIndexOf(CategoryLabelsOf(header), choice.category);
    entry.category = index == kNoCategory ? 0 : static_cast<uint16_t>(index);
  }
  if (std::optional<uint16_t> action = ActionOfChoice(choice.action)) entry.action = *action;
  entry.isPrivate = choice.isPrivate ? 1 : 0;
  entry.format = choice.pcFormat ? store::kFormatPc : store::kFormatHandheld;
}

}  // namespace desktop
