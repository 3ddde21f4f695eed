// A record received from the handheld, read into what the PC keeps of it:
// the bytes of the PC file to write (a text, a 24-bit BMP or the record's
// data unchanged) and the file list entry that names it. Reading stays
// within the record: a record that does not hold what its head promises is
// refused with a reason rather than written in part.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "file_list_entry.h"  // store/

namespace conduit::receive {

// What the Sync Manager reports of a record besides its bytes.
struct RecordDescription {
  uint8_t attributes = 0;  // 0x10: private on the handheld
  uint8_t category = 0;    // 0 to 15
};

// The kind of PC file a record becomes; it sets the file name's extension.
enum class PathVariant {
  kData,    // the handheld name's own extension
  kText,    // ".txt"
  kBitmap,  // ".bmp"
};

struct PcFilePlan {
  PathVariant variant = PathVariant::kData;
  std::vector<uint8_t> bytes;  // the PC file's contents
  // The new entry, complete but for its ID and its received copy.
  store::FileListEntry entry;
};

// The PC file and entry of `record` (a "VlmrFilesDB" record as read). Text
// (content kind 1) ends at its first NUL or at the end of the record, a
// CR LF in it becomes LF and its characters UTF-8. A bitmap (kind 2) becomes
// a 160 x 160, 24-bit BMP. Every other kind is data: exactly the size
// field's bytes. Nothing, with `why` set, for a record shorter than its head,
// a size field beyond the bytes received, or a bitmap shorter than its
// depth needs.
std::optional<PcFilePlan> PlanReceivedFile(std::span<const uint8_t> record,
                                           const RecordDescription& description, std::string& why);

// True when `record` is a text that filled the whole receive buffer
// (file_record::kMaxRecordSize bytes) without its ending NUL: the handheld's
// record was longer, and the text was cut to what the buffer holds.
bool IsCutText(std::span<const uint8_t> record);

// A 24-bit Windows BMP of 160 x 160 pixels of red, green and blue bytes,
// row by row from the top.
std::vector<uint8_t> EncodeBmp(std::span<const uint8_t> rgb);

}  // namespace conduit::receive
