/* The structures that the HotSync Manager hands to a conduit's exports,
 * in the byte layout of the conduit interface (32-bit fields, 32-bit key
 * handle), and the synchronisation-type and preference numbers. */
#ifndef VELLAMORE_PLATFORM_CONDUIT_ABI_H
#define VELLAMORE_PLATFORM_CONDUIT_ABI_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Synchronisation types. */
enum {
  kSyncTypeFast = 0,
  kSyncTypeSlow = 1,
  kSyncTypeHandheldToPc = 2,
  kSyncTypePcToHandheld = 3,
  kSyncTypeInstall = 4,
  kSyncTypeBackup = 5,
  kSyncTypeDoNothing = 6
};

/* Preference numbers written back by ConfigureConduit. */
enum {
  kSyncPrefNone = 0,
  kSyncPrefPermanent = 1, /* "Set as default" was checked */
  kSyncPrefTemporary = 2  /* for the next HotSync only */
};

/* Handed to OpenConduit. The conduit reads only the synchronisation type,
 * the first field. */
typedef struct CSyncProperties {
  int32_t m_SyncType;
  char m_UserName[64];
  char m_LocalName[256];
  char m_PathName[256];
} CSyncProperties;

/* Handed to ConfigureConduit. */
typedef struct CSyncPreference {
  char m_PathName[256];
  char m_Registry[256];
  uint32_t m_hKey;
  int32_t m_SyncPref;
  int32_t m_SyncType;
} CSyncPreference;

/* The request structure of GetConduitInfo's kind 0: version 1, size 80. */
typedef struct CConduitInfoRequest {
  uint32_t m_dwVersion;
  uint32_t m_dwSize;
  uint32_t m_dwCreatorId;
  uint32_t m_dwUserId;
  char m_szUser[64];
} CConduitInfoRequest;

#ifdef __cplusplus
static_assert(offsetof(CSyncPreference, m_SyncPref) == 516, "preference at byte 516");
static_assert(offsetof(CSyncPreference, m_SyncType) == 520, "sync type at byte 520");
static_assert(offsetof(CSyncProperties, m_SyncType) == 0, "sync type first");
static_assert(sizeof(CConduitInfoRequest) == 80, "request structure of 80 bytes");
#endif

/* The HotSync Manager's progress function: shows one line of what the
 * conduit is doing. OpenConduit's `progress` is one of these, or null. */
typedef void (*ConduitProgressFn)(const char* text);

/* The exports every conduit library offers, as the HotSync Manager calls
 * them. */
typedef int32_t (*OpenConduitFn)(void* progress, CSyncProperties* properties);
typedef int32_t (*GetConduitNameFn)(char* name, uint16_t length);
typedef uint32_t (*GetConduitVersionFn)(void);
typedef int32_t (*GetConduitInfoFn)(int32_t kind, void* inArgs, void* out, uint32_t* outSize);
typedef int32_t (*ConfigureConduitFn)(CSyncPreference* preference);

#ifdef __cplusplus
}
#endif

#endif /* VELLAMORE_PLATFORM_CONDUIT_ABI_H */
