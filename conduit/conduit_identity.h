// The conduit's identity and configuration as the HotSync Manager asks for
// them: its name "Vellamore", its version 0x101, its information answers and
// the HotSync action dialog that chooses what it does at the next HotSync.
// These functions keep no state; the library's exported C functions call
// them.
#pragma once

#include <cstdint>
#include <functional>

#include "action_dialog.h"
#include "syncmgr/conduit_abi.h"

namespace conduit {

inline constexpr char kConduitDisplayName[] = "Vellamore";
inline constexpr uint32_t kConduitVersion = 0x101;

// Error results of the information export (and of OpenConduit without its
// properties).
enum ConduitError : int32_t {
  kConduitErrUnknownKind = 0x1070,
  kConduitErrNoOutput = 0x1071,
  kConduitErrBadOutputSize = 0x1073,
  kConduitErrNoInArgs = 0x1074,
  kConduitErrBadInArgs = 0x1075,
  kConduitErrNoOutputSize = 0x1077,
};

// Information kinds of GetConduitInfo.
enum ConduitInfoKind : int32_t {
  kInfoName = 0,
  kInfoFrameworkVersion = 1,  // answered 0x500
  kInfoDefaultAction = 2,     // answered 0, the synchronize action
};

inline constexpr uint32_t kConduitInfoRequestVersion = 1;
inline constexpr uint32_t kConduitInfoRequestSize = 80;
inline constexpr uint32_t kFrameworkVersionValue = 0x500;
inline constexpr uint32_t kDefaultActionValue = 0;

// Clears the `length` bytes of `name` and copies "Vellamore" into them, cut
// so that a NUL always ends it. A missing buffer or a length of 0 leaves no
// room even for the NUL: nothing is written. Always 0.
int32_t GetConduitName(char* name, uint16_t length);

uint32_t GetConduitVersion();

// Answers information `kind` into `out`, whose size is `*outSize`; the size
// is never changed. Kind 0 (with a request structure of version 1 and size
// 80) gives the name, cut to `*outSize` - 1 characters; an output size of 0
// writes nothing and answers 0. Kinds 1 and 2 need an output size of 4 and
// give the 32-bit values 0x500 and 0.
int32_t GetConduitInfo(int32_t kind, const void* inArgs, void* out, const uint32_t* outSize);

// Dialog index for a synchronisation type: 0 for 0 and 1, 1 for 3, 2 for 2,
// 3 (do nothing) for every other value, compared unsigned.
int ActionIndexForSyncType(int32_t syncType);
// Synchronisation type stored for a dialog index: 0, 3, 2 or 6.
int32_t SyncTypeForActionIndex(int actionIndex);

// Shows the action dialog for `preference` through `showDialog` (which
// returns CHotSyncActionDlg::kOk or kCancel). On OK it stores the chosen
// synchronisation type and preference 1 ("Set as default" checked) or 2 and
// returns 0; on cancel the type is unchanged, the preference 0, and the
// result -1. A missing structure is answered with -1 and no dialog.
using ActionDialogRunner = std::function<int(CHotSyncActionDlg&)>;
int32_t ConfigureConduit(CSyncPreference* preference, const ActionDialogRunner& showDialog);
// The same with the dialog on the terminal.
int32_t ConfigureConduit(CSyncPreference* preference);

}  // namespace conduit
