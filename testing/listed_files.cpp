// Listed files across a failed and a complete HotSync.
#include "testing/listed_files.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "testing/file_record.h"

namespace vlmtest {

namespace {

struct Copy {
  uint16_t fileId = 0;
  std::string text;
};

std::vector<Copy> Copies(const HotSyncWorld& world) {
  std::vector<Copy> copies;
  for (const auto& record : world.FileRecords()) {
    copies.push_back({HeadOf(record.data).fileId, ContentTextOf(record.data)});
  }
  return copies;
}

size_t CopiesOf(const std::vector<Copy>& copies, uint16_t fileId) {
  return static_cast<size_t>(std::count_if(
      copies.begin(), copies.end(), [&](const Copy& copy) { return copy.fileId == fileId; }));
}

}  // namespace

void ListFilesAfterAnEditedCopy(const HotSyncWorld& world) {
  store::FileListStore list;
  list.ResetHeader();
  world.AddPcFile(list, "edited.txt", store::kActionAlways);
  world.SaveStore(list);
  ASSERT_TRUE(world.HotSync().Succeeded());
  world.EditOnHandheld(0, kEditedOnHandheld);

  list = world.LoadStore();
  world.AddPcFile(list, "always.txt", store::kActionAlways);
  world.AddPcFile(list, "once.txt", store::kActionOneTime);
  world.AddPcFile(list, "ifchanged.txt", store::kActionIfChanged);
  world.SaveStore(list);
}

void ExpectNothingMarkedSentThatTheHandheldLacks(const HotSyncWorld& world) {
  const store::FileListStore list = world.LoadStore();
  const std::vector<Copy> copies = Copies(world);
  for (const store::FileListEntry& entry : list.Entries()) {
    if (entry.changed == 0 || entry.action == store::kActionDontSend) {
      EXPECT_GE(CopiesOf(copies, entry.id), 1u) << entry.title << " is marked sent";
    }
  }
}

void ExpectListAndHandheldAgree(const HotSyncWorld& world) {
  const store::FileListStore list = world.LoadStore();
  ASSERT_EQ(list.Entries().size(), 4u) << "no entry lost";
  const std::vector<Copy> copies = Copies(world);
  for (const store::FileListEntry& entry : list.Entries()) {
    EXPECT_EQ(CopiesOf(copies, entry.id), 1u) << entry.title << " has one copy under its ID";
    EXPECT_TRUE(entry.lastSent.IsSet()) << entry.title;
    EXPECT_EQ(entry.changed, 0) << entry.title;
  }
  EXPECT_EQ(list.Entries()[2].action, store::kActionDontSend) << "One Time went once";
  const auto edited = std::count_if(copies.begin(), copies.end(),
                                    [](const Copy& copy) { return copy.text == kEditedOnHandheld; });
  EXPECT_EQ(edited, 1) << "the handheld's edited copy stays";
  EXPECT_EQ(copies.size(), 5u);
}

}  // namespace vlmtest
