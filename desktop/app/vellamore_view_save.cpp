// The main view's reading and writing of "Vellamore.dat". Every writer of
// the file holds the list lock over its read-change-write; a HotSync holds
// it from its load to its save. When the lock is taken the view does not
// block: it shows that it waits and tries again from a timer, and then
// applies the user's changes to the list as the HotSync left it.
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "file_list_lock.h"
#include "messages.h"
#include "new_entry.h"
#include "vellamore_view.h"

namespace desktop {
namespace {

// How often a waiting save tries the lock again.
constexpr int kListLockPollMs = 250;

}  // namespace

void CVellamoreView::CreateListLockPoll() {
  m_listLockPoll = new QTimer(this);
  m_listLockPoll->setInterval(kListLockPollMs);
  connect(m_listLockPoll, &QTimer::timeout, this, &CVellamoreView::TrySaveUnderLock);
}

bool CVellamoreView::IsWaitingForList() const {
  return m_listLockPoll->isActive();
}

bool CVellamoreView::CanClose() {
  // A changed text is offered for saving; Cancel, or a save that does not
  // happen, keeps the program open, so the text is not lost.
  if (!OfferToSaveChangedText()) return false;
  if (!IsWaitingForList()) return true;
  return m_prompts.MessageBox(kQuitWhileWaitingText, kProgramCaption,
                              kMbYesNo | kMbIconExclamation) == kIdYes;
}

void CVellamoreView::LoadFileList() {
  TellDroppedChanges(m_model.Reload());
}

void CVellamoreView::SaveFileList() {
  // A save that waits already will write this change with the others.
  if (IsWaitingForList()) return;
  TrySaveUnderLock();
}

void CVellamoreView::TrySaveUnderLock() {
  store::FileListLock lock;
  store::FileListLock::Result locked = lock.TryLock(m_model.StorePath());
  if (locked == store::FileListLock::Result::kHeldElsewhere) {
    SetWaitingForList(true);
    return;
  }
  SetWaitingForList(false);
  if (locked == store::FileListLock::Result::kFailed) {
    // Saving goes on; should the folder refuse the file too, the save says so.
    std::fprintf(stderr, "Vellamore: cannot lock the list %s: %s; saving without the lock\n",
                 store::FileListLock::LockPathFor(m_model.StorePath()).c_str(),
                 std::strerror(lock.Error()));
  }
  std::vector<uint8_t> shown = m_model.Bytes();
  std::vector<ListChange> dropped = m_model.Reload();
  int error = m_model.Save();
  lock.Unlock();  // before any message: a HotSync must not wait for the user

  bool changedElsewhere = m_model.Bytes() != shown;
  if (error != 0) m_prompts.MessageBox(kSaveErrorText, kSaveErrorCaption, kMbOk);
  TellDroppedChanges(dropped);
  if (changedElsewhere) RefreshKeepingSelection();
}

void CVellamoreView::SetWaitingForList(bool waiting) {
  if (waiting == IsWaitingForList()) return;
  if (waiting) {
    m_listLockPoll->start();
  } else {
    m_listLockPoll->stop();
  }
  emit waitingForListChanged(waiting);
}

void CVellamoreView::TellDroppedChanges(const std::vector<ListChange>& dropped) {
  for (const ListChange& change : dropped) {
    // A delete whose entry is gone has nothing left to do.
    if (change.kind != ListChange::Kind::kEditSettings) continue;
    m_prompts.MessageBox(WithArgument(kChangeDroppedText, change.before.title), kProgramCaption,
                         kMbOk | kMbIconExclamation);
  }
}

}  // namespace desktop
