// Pieces shared by the builders of handheld file records: a zero-filled
// record of a given length, the head's fields written at their offsets, and
// the text record that the text converters share. Internal to the
// conversions.
#pragma once

#include <cstdint>
#include <ctime>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "convert/convert.h"
#include "records/handheld_records.h"

namespace conduit {

// A zero-filled record of `length` bytes; throws std::bad_alloc, which
// CatchNoMemory turns into kConvNoMemory.
std::vector<uint8_t> NewRecord(size_t length);

// The title field: `name` then `suffix` (PC text), in Windows-1252 and cut
// to 39 characters.
void PutTitle(std::vector<uint8_t>& record, std::string_view name, std::string_view suffix);
// The source path field, cut to 127 characters.
void PutSourcePath(std::vector<uint8_t>& record, std::string_view path);
void PutCreated(std::vector<uint8_t>& record, time_t pcTime);
void PutModified(std::vector<uint8_t>& record, time_t pcTime);
void PutSizeField(std::vector<uint8_t>& record, uint32_t size);
void PutContentKind(std::vector<uint8_t>& record, uint8_t kind);
// A PC file size in the 32-bit size field: sizes beyond it are held at the
// largest value rather than wrapped round.
uint32_t SizeFieldOf(uint64_t fileSize);

// The suffix a converted text's title gets when the text was cut.
constexpr std::string_view kTextCutSuffix = "- Cut";

// The longest text a text record carries: with the head, the text's zero
// and the spare byte, the record is then exactly the largest the handheld
// holds.
constexpr size_t kMaxRecordTextBytes = file_record::kMaxRecordSize - file_record::kHeadSize - 2;

// A converted text record (content kind 1): 203 + text length bytes, the
// text, its zero and one spare zero byte; titled with the file name, and
// `cutSuffix` when the text was cut, stamped with the file's times. A text
// longer than kMaxRecordTextBytes is cut to it here.
struct TextRecordFields {
  std::string_view text;
  bool cut = false;             // the text was cut before it got here
  bool sizeCountsZero = false;  // the size field counts the text's zero
  std::string_view cutSuffix = kTextCutSuffix;
  time_t created = 0;
  time_t modified = 0;
};
ConversionResult BuildTextRecord(const std::string& path, const TextRecordFields& fields);

// Runs `build`, answering a failed allocation with kConvNoMemory and no
// record, so that no exception leaves a converter.
template <typename Build>
ConversionResult CatchNoMemory(Build&& build) {
  try {
    return build();
  } catch (const std::bad_alloc&) {
    return ConversionResult{std::nullopt, kConvNoMemory, "there was not enough memory", {}};
  }
}

}  // namespace conduit
