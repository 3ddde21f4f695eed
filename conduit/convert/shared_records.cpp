// The records every route shares: the PC-format record that carries a
// file's bytes unchanged and the message record that tells the handheld
// user what happened to a file; the date-time stamp and the file name of a
// path that every builder writes into the head.
#include <algorithm>

#include "convert/convert.h"
#include "convert/file_reader.h"
#include "convert/record_writer.h"
#include "handheld_date_time.h"
#include "records/handheld_records.h"

namespace conduit {
namespace {

constexpr std::string_view kPcFormatSuffix = " - PC Format";
constexpr std::string_view kPcFormatCutSuffix = " - PC Format, Cut";

}  // namespace

ConversionResult SendAsPcFormat(const std::string& path) {
  return CatchNoMemory([&] {
    FileContents file = ReadFileForConversion(path, file_record::kMaxContentBytes);
    if (file.status != kConvOk) return UnreadFile(file);
    const size_t carried = file.bytes.size();
    // Head, the bytes carried and one zero byte after them.
    std::vector<uint8_t> record = NewRecord(file_record::kHeadSize + carried + 1);
    PutContentKind(record, kContentPcFormat);
    PutSourcePath(record, path);
    std::copy(file.bytes.begin(), file.bytes.end(),
              record.begin() + static_cast<std::ptrdiff_t>(file_record::kContentOffset));
    PutCreated(record, file.creationTime);
    PutModified(record, file.lastWriteTime);
    PutSizeField(record, static_cast<uint32_t>(carried));
    PutTitle(record, FileNameOfPath(path), file.cut ? kPcFormatCutSuffix : kPcFormatSuffix);
    return ConversionResult{std::move(record), kConvOk, {}};
  });
}

ConversionResult BuildMessageRecord(std::string_view message, std::string_view titleSuffix,
                                    const std::string& path) {
  return CatchNoMemory([&] {
    // Head, the message and its terminating zero.
    std::vector<uint8_t> record = NewRecord(file_record::kHeadSize + message.size() + 1);
    PutContentKind(record, kContentText);
    PutSourcePath(record, path);
    std::copy(message.begin(), message.end(),
              record.begin() + static_cast<std::ptrdiff_t>(file_record::kContentOffset));
    PutTitle(record, FileNameOfPath(path), titleSuffix);
    return ConversionResult{std::move(record), kConvOk, {}};
  });
}

void StampDateTime(time_t pcTime, std::span<uint8_t> eightBytes) {
  if (eightBytes.size() < store::HandheldDateTime::kSize) return;
  const store::HandheldDateTime stamp = store::HandheldDateTime::FromPcTime(pcTime, false);
  std::copy(stamp.bytes.begin(), stamp.bytes.end(), eightBytes.begin());
}

std::string FileNameOfPath(std::string_view path) {
  const size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace conduit
