// Completing and writing a HandheldFileRecord that a converter built: the
// file ID and the sent stamp are the writer's to set.
#pragma once

#include <cstdint>
#include <ctime>
#include <vector>

#include "handheld_date_time.h"  // store/

namespace conduit::transfer {

// True when `record` is long enough to carry the head and short enough for
// the handheld to hold.
bool IsWritableRecord(const std::vector<uint8_t>& record);

void SetFileId(std::vector<uint8_t>& record, uint16_t fileId);

// Writes the whole stamp, seconds included, as the record's sent stamp.
void SetSentStamp(std::vector<uint8_t>& record, const store::HandheldDateTime& sent);

// `stamp` with its date, hour and minute replaced by those of `pcTime`, its
// second byte kept and its last byte 0.
store::HandheldDateTime RestampToMinute(const store::HandheldDateTime& stamp, time_t pcTime);

// Writes `record` as a new record of the open database `handle`. Returns the
// Sync Manager's result; on success the new record's unique ID goes to
// `*newRecordId` when it is given.
int32_t WriteNewRecord(uint8_t handle, std::vector<uint8_t>& record, uint8_t attributes,
                       uint8_t category, uint32_t* newRecordId = nullptr);

}  // namespace conduit::transfer
