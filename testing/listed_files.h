// Test support: listed files whose HotSync a fault may stop, and what the
// user must find once a complete HotSync follows. A first HotSync sends
// "edited.txt", whose copy the user then edits on the handheld; "always.txt",
// "once.txt" and "ifchanged.txt" are listed after it and not yet sent.
#pragma once

#include "testing/hotsync_world.h"

namespace vlmtest {

constexpr char kEditedOnHandheld[] = "Edited on the handheld";

// Lists the files and runs the first HotSync (a folder one).
void ListFilesAfterAnEditedCopy(const HotSyncWorld& world);

// Every entry that "Vellamore.dat" marks as sent has its copy on the
// handheld, however the last HotSync ended.
void ExpectNothingMarkedSentThatTheHandheldLacks(const HotSyncWorld& world);

// After a complete HotSync: no entry lost, one copy per entry under its
// ID, One Time files sent once, the edited copy kept beside the new one.
void ExpectListAndHandheldAgree(const HotSyncWorld& world);

}  // namespace vlmtest
