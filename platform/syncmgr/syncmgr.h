/* The Sync Manager and HotSync log calls, as the HotSync Manager offers them
 * to its conduits, working on the handheld image of the HotSync in progress.
 *
 * Every call has C linkage and fixed-width types. Results are 0 for success
 * or an error code: kSyncErrNotFound (0x4003) when a database does not
 * exist; the other codes below are this implementation's own.
 *
 * Open modes combine kDbRead, kDbWrite, kDbExclusive and kDbShowSecret: the
 * conduit opens with 0xD0 (read, write, secret) or 0x90 (read, secret). A
 * database opened without kDbWrite cannot be written; secret records are
 * hidden from a database opened without kDbShowSecret.
 *
 * Record attributes keep the Palm bits (0x80 deleted, 0x40 dirty, 0x20 busy,
 * 0x10 secret); the category travels separately in m_CatId. */
#ifndef VELLAMORE_PLATFORM_SYNCMGR_H
#define VELLAMORE_PLATFORM_SYNCMGR_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t CONDHANDLE;

/* Result codes. */
enum {
  kSyncErrNone = 0,
  kSyncErrNotFound = 0x4003,     /* the database does not exist */
  kSyncErrNoSession = 0x4101,    /* no HotSync in progress, or conduit not registered */
  kSyncErrBadArgument = 0x4102,  /* a pointer is missing or a size is out of range */
  kSyncErrBadHandle = 0x4103,    /* the database handle is not open */
  kSyncErrReadOnly = 0x4104,     /* the database was opened without write access */
  kSyncErrNoRecord = 0x4105,     /* no record at that index, ID or in that category */
  kSyncErrTooManyOpen = 0x4106,  /* every database handle is in use */
  kSyncErrDamaged = 0x4107,      /* the database file is damaged */
  kSyncErrIo = 0x4108,           /* the handheld could not be read or written, or the link
                                    to it failed */
  kSyncErrExists = 0x4109,       /* a database of that name already exists */
  kSyncErrNoAppInfo = 0x410A,    /* the database has no application-info block */
  kSyncErrNoPreference = 0x410B, /* no such application preference */
  kSyncErrAlreadyRegistered = 0x410C,
  kSyncErrCancelled = 0x410D, /* the HotSync was cancelled on the handheld */
  kSyncErrInjected = 0x41FF   /* default code of a failure injected for testing */
};

/* Open modes. */
enum { kDbShowSecret = 0x10, kDbExclusive = 0x20, kDbWrite = 0x40, kDbRead = 0x80 };

/* Record attributes. */
enum {
  kRecAttrSecret = 0x10,
  kRecAttrBusy = 0x20,
  kRecAttrDirty = 0x40,
  kRecAttrDeleted = 0x80,
  kRecAttrArchived = 0x08
};

/* Categories: 0 to 15, in the low bits of m_CatId. */
enum { kRecCategoryMask = 0x0F };

/* Log activity codes used by conduits. */
enum {
  kSyncLogText = -1,
  kSyncLogStart = 19,
  kSyncLogEnd = 20,
  kSyncLogEndWithFailure = 21,
  kSyncLogWarning = 22
};

/* User identity: the name (not necessarily NUL-terminated) and its length in
 * characters. */
typedef struct CUserIDInfo {
  char m_pName[64];
  int32_t m_NameLength;
  uint32_t m_UserId;
} CUserIDInfo;

/* Database creation. On success m_FileHandle holds a handle open for
 * reading and writing. */
typedef struct CDbCreateDB {
  uint8_t m_FileHandle;
  uint32_t m_Creator;
  uint16_t m_Flags; /* database attributes: 0 = record database, 1 = resource */
  uint8_t m_CardNo;
  char m_Name[32];
  uint32_t m_Type;
  uint16_t m_Version;
  uint32_t m_Info;
} CDbCreateDB;

/* One record. Reading: m_pBytes/m_TotalBytes is the caller's buffer; the
 * call copies at most m_TotalBytes bytes and sets m_RecSize to the bytes
 * copied, and m_RecId, m_RecIndex, m_Attribs and m_CatId. Writing: m_RecSize
 * bytes from m_pBytes; m_RecId 0 makes a new record whose unique ID is
 * returned in m_RecId; another ID replaces that record. A write leaves
 * m_RecIndex as it was: a handheld does not say where the record went. */
typedef struct CRawRecordInfo {
  uint8_t m_FileHandle;
  uint32_t m_RecId;
  uint16_t m_RecIndex;
  uint8_t m_Attribs;
  int16_t m_CatId;
  int32_t m_ConduitId;
  uint32_t m_RecSize;
  uint16_t m_TotalBytes;
  uint8_t* m_pBytes;
  uint32_t m_dwReserved;
} CRawRecordInfo;

/* An application-info block. Reading: m_pBytes/m_TotalBytes is the buffer,
 * m_BytesRead receives the bytes copied. Writing: m_TotalBytes bytes from
 * m_pBytes. */
typedef struct CDbGenInfo {
  char m_FileName[32];
  uint16_t m_BaseRecSize;
  uint16_t m_TotalBytes;
  uint16_t m_BytesRead;
  uint8_t* m_pBytes;
  uint32_t m_dwReserved;
} CDbGenInfo;

/* An application preference: creator and ID select it, m_backedUp chooses
 * "Saved Preferences" (not 0) or "Unsaved Preferences" (0). Reading copies
 * at most min(m_reqBytes, m_nBufSize) bytes into m_pBuffer, sets m_retBytes
 * to the bytes copied, m_actSize to the preference's whole size and
 * m_version to its version. Writing stores m_nBufSize bytes from m_pBuffer
 * with version m_version. */
typedef struct CRawPreferenceInfo {
  uint8_t m_version;
  uint32_t m_creator;
  uint16_t m_prefId;
  uint16_t m_reqBytes;
  uint16_t m_retBytes;
  uint16_t m_actSize;
  int32_t m_backedUp;
  int32_t m_nBufSize;
  uint8_t* m_pBuffer;
  uint32_t m_dwReserved;
} CRawPreferenceInfo;

/* Conduit registration for the HotSync in progress. */
int32_t SyncRegisterConduit(CONDHANDLE* handle);
int32_t SyncUnRegisterConduit(CONDHANDLE handle);

int32_t SyncReadUserID(CUserIDInfo* info);

/* Databases. */
int32_t SyncOpenDB(const char* name, int32_t cardNo, uint8_t* handle, uint8_t openMode);
int32_t SyncCreateDB(CDbCreateDB* create);
int32_t SyncCloseDB(uint8_t handle);
int32_t SyncGetDBRecordCount(uint8_t handle, uint16_t* count);
int32_t SyncReadDBAppInfoBlock(uint8_t handle, CDbGenInfo* info);
int32_t SyncWriteDBAppInfoBlock(uint8_t handle, CDbGenInfo* info);
int32_t SyncPurgeDeletedRecs(uint8_t handle); /* removes deleted (and archived) records */
int32_t SyncPurgeAllRecs(uint8_t handle);     /* removes every record */

/* Records. */
int32_t SyncReadRecordByIndex(CRawRecordInfo* record);
int32_t SyncWriteRec(CRawRecordInfo* record);
int32_t SyncDeleteRec(CRawRecordInfo* record); /* by m_RecId */
int32_t SyncResetRecordIndex(uint8_t handle);
/* Next record of category m_CatId after the walk's position; the walk skips
 * deleted records (and secret ones unless the mode shows them). */
int32_t SyncReadNextRecInCategory(CRawRecordInfo* record);

/* Application preferences. */
int32_t SyncReadAppPreference(CRawPreferenceInfo* preference);
int32_t SyncWriteAppPreference(CRawPreferenceInfo* preference);

/* Gives time back to the HotSync Manager during long work. */
int32_t SyncYieldCycles(uint16_t maxMilliseconds);

/* HotSync log: appends one entry to the log of the HotSync in progress. */
int32_t LogAddEntry(const char* text, int32_t activity, int32_t timestamp);

/* ---- The HotSync Manager's side: running a HotSync on an image. ---- */

/* Begins a HotSync of the image folder `imageDir`; log entries are appended
 * to `logPath` (may be NULL: kept in memory only). Failures injected through
 * the environment variable SYNCMGR_FAIL ("Call[=code],Call...") apply to
 * this HotSync; an injected SyncCloseDB failure closes the handle without
 * writing the database back, as a full disk would. For tests that interrupt
 * a HotSync, SYNCMGR_KILL ("before:Call[:n]" or "after:Call[:n]") makes the
 * process kill itself with SIGKILL just before or after the n-th call
 * (default the first) of that name in this HotSync. */
int32_t SyncSessionBegin(const char* imageDir, const char* logPath);
/* Ends the HotSync: closes (and writes back) every database left open. */
void SyncSessionEnd(void);

/* Makes the named call fail with `code` (0: kSyncErrInjected) until the end
 * of the HotSync; NULL clears every injected failure. */
void SyncInjectFailure(const char* call, int32_t code);

/* Called with each entry that LogAddEntry adds, right after it is kept, so
 * that the HotSync Manager can show a long HotSync as it goes. The observer
 * runs on the conduit's thread and must not call back into the Sync
 * Manager. NULL stops the calls. */
typedef void (*SyncLogObserver)(const char* text, int32_t activity, void* context);
void SyncSetLogObserver(SyncLogObserver observer, void* context);

/* Log entries of the HotSync in progress (or of the last one). */
int32_t SyncLogEntryCount(void);
/* Copies entry `index`: text into `text` (cut to `size`, terminated) and
 * its activity; 0 or kSyncErrNoRecord. */
int32_t SyncLogEntry(int32_t index, char* text, int32_t size, int32_t* activity);

#ifdef __cplusplus
}
#endif

#endif /* VELLAMORE_PLATFORM_SYNCMGR_H */
