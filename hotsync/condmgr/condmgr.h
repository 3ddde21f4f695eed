/* Conduit Manager: the conduit registrations of the HotSync Manager, kept
 * in $HOTSYNC_HOME/conduits.ini. Each registration has a creator ID (four
 * printable characters such as "Vlmr"), the conduit library, a display
 * name, the synchronisation type chosen as the default and, optionally, a
 * type chosen for the next HotSync only.
 *
 * A library path that holds a "/" is kept as given (condcfg makes it
 * absolute); a bare file name is looked up in the HotSync Manager's folder.
 *
 * Every call has C linkage and fixed-width types and is safe to load with
 * dlopen. Results: 0 for success, otherwise one of the negative kCmErr
 * codes below. Text results use size in/out: `*size` holds the buffer's
 * size in bytes on entry. When the text and its NUL fit, the call writes
 * them and sets `*size` to the text's length (without the NUL); otherwise
 * it writes nothing into the buffer, sets `*size` to the bytes needed
 * (length + 1) and returns kCmErrBufferTooSmall. */
#ifndef VELLAMORE_HOTSYNC_CONDMGR_H
#define VELLAMORE_HOTSYNC_CONDMGR_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define CONDMGR_API __attribute__((visibility("default")))

enum {
  kCmErrNone = 0,
  kCmErrBadArgument = -1001,    /* a pointer is missing, a size is negative, or a text
                                   holds a line break */
  kCmErrBadCreator = -1002,     /* the creator ID is not four printable characters
                                   (space to '~', without '[' and ']') */
  kCmErrNotFound = -1003,       /* no conduit is registered under that creator ID */
  kCmErrBufferTooSmall = -1004, /* *size now holds the bytes needed */
  kCmErrStorage = -1005,        /* the registration file could not be read or written,
                                   or no data folder is known */
  kCmErrBadIndex = -1006,       /* no registration at that index */
  kCmErrBadSyncType = -1007     /* not a synchronisation type (0 to 6) */
};

/* Registers `libraryPath` under `creator`. A creator that is registered
 * already keeps its name and types and gets the new library. A new
 * registration has the sync type 0 and no next-HotSync type. */
CONDMGR_API int32_t CmAddConduit(const char* creator, const char* libraryPath);

/* Removes the registration of `creator`: 0 or kCmErrNotFound. */
CONDMGR_API int32_t CmRemoveConduitByCreatorID(const char* creator);

/* The file name of the registered library (the part after its last "/"). */
CONDMGR_API int32_t CmGetCreatorName(const char* creator, char* buffer, int32_t* size);

/* The library path as registered. */
CONDMGR_API int32_t CmGetConduitLibraryPath(const char* creator, char* buffer, int32_t* size);

/* The conduit's display name ("" until one is set). */
CONDMGR_API int32_t CmSetConduitName(const char* creator, const char* name);
CONDMGR_API int32_t CmGetConduitName(const char* creator, char* buffer, int32_t* size);

/* The synchronisation type used at every HotSync. */
CONDMGR_API int32_t CmSetSyncType(const char* creator, int32_t syncType);
CONDMGR_API int32_t CmGetSyncType(const char* creator, int32_t* syncType);

/* The type for the next HotSync only; -1 clears it, and the getter gives
 * -1 when none is set. */
CONDMGR_API int32_t CmSetNextSyncType(const char* creator, int32_t syncType);
CONDMGR_API int32_t CmGetNextSyncType(const char* creator, int32_t* syncType);

/* The number of registrations (>= 0), or kCmErrStorage. */
CONDMGR_API int32_t CmGetConduitCount(void);

/* The creator ID of registration `index` (0 to count - 1, in registration
 * order): a four-character text, so `*size` must be at least 5. */
CONDMGR_API int32_t CmGetCreatorIDByIndex(int32_t index, char* buffer, int32_t* size);

#ifdef __cplusplus
}
#endif

#endif /* VELLAMORE_HOTSYNC_CONDMGR_H */
