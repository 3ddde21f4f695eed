/* Install Aide: where the HotSync Manager lives, its users, and the
 * install queue of each user.
 *
 * The HotSync users are the folders of $HOTSYNC_HOME (one per user, see
 * hotsync_home.h), in byte order of their names. PltInstallFile queues a
 * copy of a handheld program or database in the user's folder "Install/"
 * (one numbered folder per queued file, see queue_writer.h); the next
 * HotSync of that user installs it on the handheld and takes it off the
 * queue.
 *
 * Every call has C linkage and fixed-width types and is safe to load with
 * dlopen. Failures are the negative kPltErr codes below. Text results use
 * size in/out: `*size` holds the buffer's size in bytes on entry; when the
 * text and its NUL fit, the call writes them and sets `*size` to the text's
 * length (without the NUL); otherwise it writes nothing into the buffer,
 * sets `*size` to the bytes needed (length + 1) and returns
 * kPltErrBufferTooSmall. */
#ifndef VELLAMORE_HOTSYNC_INSTAIDE_H
#define VELLAMORE_HOTSYNC_INSTAIDE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define INSTAIDE_API __attribute__((visibility("default")))

enum {
  kPltErrNone = 0,
  kPltErrBadArgument = -1,    /* a pointer is missing or a size is negative */
  kPltErrBadKind = -2,        /* PltGetPath: a path kind other than 2 */
  kPltErrBufferTooSmall = -3, /* *size now holds the bytes needed */
  kPltErrNoSuchUser = -4,     /* the user name is empty or names no HotSync user */
  kPltErrNoFile = -5,         /* the file does not exist, is not a regular file or cannot be read */
  kPltErrNotInstallable = -6, /* the file name does not end in .prc, .pdb or .pqa */
  kPltErrQueue = -7,          /* the install queue could not be written */
  kPltErrBadIndex = -8,       /* no user at that index */
  kPltErrNoHome = -9,         /* no data folder is known (HOTSYNC_HOME, XDG_DATA_HOME, HOME) */
  kPltErrLocate = -10,        /* the library could not find its own folder */
  kPltErrTooLarge = -11       /* the file is larger than any handheld holds (64 MB) */
};

/* Path kind 2: the full path of the HotSync Manager program "hotsync", in
 * the folder that holds this library (the path is given whether or not
 * the program is there). */
enum { kPltPathHotSyncProgram = 2 };

INSTAIDE_API int32_t PltGetPath(int16_t kind, char* buffer, int16_t* size);

/* The number of HotSync users (0 when there are none or no data folder). */
INSTAIDE_API int16_t PltGetUserCount(void);

/* The name of user `index` (0 to count - 1). */
INSTAIDE_API int32_t PltGetUser(uint32_t index, char* buffer, int16_t* size);

/* Queues a copy of the file at `path` for `user`'s next HotSync. Every
 * call queues one more file: files queued earlier, of the same name or
 * not, stay queued. Returns 0 or a kPltErr code. */
INSTAIDE_API int32_t PltInstallFile(const char* user, const char* path);

#ifdef __cplusplus
}
#endif

#endif /* VELLAMORE_HOTSYNC_INSTAIDE_H */
