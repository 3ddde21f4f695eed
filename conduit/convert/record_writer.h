// Pieces shared by the builders of handheld file records: the head of a
// new record, the head of a built record changed in place, and the text
// record that the text converters share. Internal to the conversions.
#pragma once

#include <cstdint>
#include <ctime>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "convert/convert.h"
#include "handheld_date_time.h"  // store/
#include "handheld_records.h"    // records/

namespace conduit {

// The title field's text: `name` then `suffix` (PC text) in Windows-1252;
// the head cuts it to 39 characters, and cutting after transcoding never
// splits a character.
std::string HandheldTitle(std::string_view name, std::string_view suffix);
// The head of a new record of content kind `kind` for the file at `path`:
// titled with its file name and `titleSuffix`, its path as the source path,
// every other field zero.
records::HandheldFileHead NewHead(const std::string& path, std::string_view titleSuffix,
                                  uint8_t kind);
// The head's form of a PC time: local time without seconds.
store::HandheldDateTime HeadStamp(time_t pcTime);
// A PC file size in the 32-bit size field: sizes beyond it are held at the
// largest value rather than wrapped round.
uint32_t SizeFieldOf(uint64_t fileSize);

// The suffix a converted text's title gets when the text was cut.
constexpr std::string_view kTextCutSuffix = "- Cut";

// The longest text a text record carries: with the head, the text's zero
// and the spare byte, the record is then exactly the largest the handheld
// holds.
constexpr size_t kMaxRecordTextBytes = records::file_record::kMaxRecordSize -
                                       records::file_record::kHeadSize -
                                       records::file_record::kTextZeros;

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

// Runs `build`, answering a failed allocation (std::bad_alloc) with kConvNoMemory and no
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
